#pragma once

#include <X11/Xlib.h>

#include "platform/desktop/x11/xlib_library.hpp"
#include "platform/render/painter.hpp"

namespace sonaris::platform::desktop::x11 {

// Puts a painter's raster into `drawable` (of depth 24 or 32) at its origin, alpha included:
// Cairo's premultiplied ARGB is what compositors read from a 32-bit visual, and its colour bytes
// are the picture over black in a 24-bit one.
void putRaster(const XlibLibrary& xlib, Display* display, Drawable drawable, GC gc, int depth,
               const render::Raster& raster);

}  // namespace sonaris::platform::desktop::x11
