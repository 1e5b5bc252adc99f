#pragma once

#include <optional>

#include "platform/desktop/x11/xlib_library.hpp"

namespace sonaris::platform::desktop::x11 {

// The scale the X11 desktop asks applications to draw at (Xft.dpi / 96); nothing elsewhere or
// when the desktop does not say.
std::optional<double> desktopScale(const XlibLibrary& xlib, Display* display);

// Marks an X11 window as a desktop widget: below other windows, sticky on every workspace, out
// of the taskbar and the pager. Call before the window is first shown; it is asked again of the
// window manager after mapping, for managers that only listen to requests.
void markAsDesktopWidget(const XlibLibrary& xlib, Display* display, Window window, bool mapped);

}  // namespace sonaris::platform::desktop::x11
