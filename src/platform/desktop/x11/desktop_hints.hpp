#pragma once

#include <SDL2/SDL.h>

#include <optional>

#include "platform/desktop/x11/sdl_library.hpp"
#include "platform/desktop/x11/xlib_library.hpp"

namespace sonaris::platform::desktop::x11 {

struct X11Window {
    Display* display = nullptr;
    Window window = 0;
};

// The X11 connection and window behind an SDL window; nothing on other window systems.
std::optional<X11Window> x11WindowOf(const SdlLibrary& sdl, SDL_Window* window);

// The scale the X11 desktop asks applications to draw at (Xft.dpi / 96); nothing elsewhere or
// when the desktop does not say.
std::optional<double> desktopScale(const SdlLibrary& sdl, const XlibLibrary& xlib,
                                   SDL_Window* window);

// Marks an X11 window as a desktop widget: below other windows, sticky on every workspace, out
// of the taskbar and the pager. Call before the window is first shown; it is asked again of the
// window manager after mapping, for managers that only listen to requests.
void markAsDesktopWidget(const SdlLibrary& sdl, const XlibLibrary& xlib, SDL_Window* window,
                         bool mapped);

}  // namespace sonaris::platform::desktop::x11
