#pragma once

#include "platform/render/painter.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::render {

// On a desktop the widget is seen inside its container: a card with continuous corners of this
// radius, in points, with the desktop showing through outside it.
inline constexpr double desktopCardCornerRadius = 22;

// The widget's picture cut to the card: pixels outside it become transparent, those on its edge
// partly so. `raster` holds `scale` pixels per point.
void clipToDesktopCard(Raster& raster, double scale);

// Whether a point (in points, from the widget's top-left corner) lies on the card, so that a
// click elsewhere can fall through to the desktop.
bool desktopCardContains(ui::Size widget, ui::Point point);

}  // namespace sonaris::platform::render
