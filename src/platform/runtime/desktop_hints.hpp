#pragma once

#include <SDL2/SDL.h>

#include <optional>

namespace sonaris::platform::runtime {

// The scale the X11 desktop asks applications to draw at (Xft.dpi / 96); nothing elsewhere or
// when the desktop does not say.
std::optional<double> desktopScale(SDL_Window* window);

// Marks an X11 window as a desktop widget: below other windows, sticky on every workspace, out
// of the taskbar and the pager. Call before the window is first shown; it is asked again of the
// window manager after mapping, for managers that only listen to requests.
void markAsDesktopWidget(SDL_Window* window, bool mapped);

}  // namespace sonaris::platform::runtime
