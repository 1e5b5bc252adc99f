#pragma once

#include <cairo.h>

#include "platform/ui/geometry.hpp"
#include "platform/ui/view.hpp"

namespace sonaris::platform::render {

// How far along each edge a continuous corner of radius 1 reaches; a circular one reaches 1.
inline constexpr double continuousCornerExtent = 1.52866483;

// Adds the outline of `shape` laid out in `frame` to the current path, as a closed sub-path.
// An empty frame adds nothing.
void appendShapePath(cairo_t* cr, const ui::Shape& shape, const ui::Rect& frame);

// A rounded rectangle; continuous corners blend towards circular ones where the rectangle is too
// small for their full extent, so a capsule still ends in half circles.
void appendRoundedRectPath(cairo_t* cr, const ui::Rect& frame, double radius,
                           ui::RoundedCornerStyle style);

// The area a line of `lineWidth` centred on the shape's outline covers, as two sub-paths to fill
// with the even-odd rule: the outline grown by half the width and shrunk by half of it. Filling
// this is several times cheaper in Cairo than stroking curves, and for the butt-capped, mitred
// closed outlines of these shapes it covers the same pixels.
void appendStrokeOutline(cairo_t* cr, const ui::Shape& shape, const ui::Rect& frame,
                         double lineWidth);

}  // namespace sonaris::platform::render
