#pragma once

#include <cairo.h>

#include <optional>

#include "platform/image/image.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::render {

// A rectangle of whole device pixels.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    PixelRect inflated(int by) const { return {x - by, y - by, width + 2 * by, height + 2 * by}; }
    PixelRect intersected(const PixelRect& other) const;
    bool operator==(const PixelRect&) const = default;
};

// The device pixels a user-space rectangle touches under the context's transform.
PixelRect deviceBounds(cairo_t* cr, const ui::Rect& user);

// The device pixels the context may still draw on: its clip, or its whole target.
PixelRect deviceClipBounds(cairo_t* cr);

// The union and intersection of optional user-space bounds, where nothing means "draws nothing".
std::optional<ui::Rect> unite(const std::optional<ui::Rect>& a, const std::optional<ui::Rect>& b);
std::optional<ui::Rect> intersect(const std::optional<ui::Rect>& a, const ui::Rect& b);
ui::Rect inflate(const ui::Rect& r, double by);

// The pixel size a picture laid out in `frame` covers at `scale`: what it is decoded at.
image::PixelSize drawnPixelSize(const ui::Rect& frame, double scale);

}  // namespace sonaris::platform::render
