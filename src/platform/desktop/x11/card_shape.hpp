#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <vector>

#include "platform/desktop/x11/extension_libraries.hpp"
#include "platform/desktop/x11/xlib_library.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::desktop::x11 {

// Whether a compositing manager runs on the screen (it owns _NET_WM_CM_S<screen>): only then
// do transparent pixels show the desktop.
bool compositorRuns(const XlibLibrary& xlib, Display* display, int screen);

// A 32-bit TrueColor visual, whose alpha a compositor honours; nothing when the screen has none.
std::optional<VisualID> argbVisual(const XlibLibrary& xlib, Display* display, int screen);

// The card of a widget of `points` drawn `width` × `height` pixels as bands of rectangles, one
// a run of pixel rows with the same extent: a pixel is in when the card covers most of it.
std::vector<XRectangle> cardRectangles(ui::Size points, int width, int height);

// Cuts the window to the card: its input always, so that clicks beside it reach the desktop, and
// also its outline (`bounding`) where no compositor makes the corners transparent.
void shapeToCard(const XshapeLibrary& xshape, Display* display, Window window,
                 const std::vector<XRectangle>& card, bool bounding);

}  // namespace sonaris::platform::desktop::x11
