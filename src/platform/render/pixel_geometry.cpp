#include "platform/render/pixel_geometry.hpp"

#include <algorithm>
#include <climits>
#include <cmath>

namespace sonaris::platform::render {

namespace {

// Far beyond any surface, yet safe to add margins to without overflow.
constexpr double pixelLimit = 1 << 28;

int floorPixel(double v) {
    return static_cast<int>(std::floor(std::clamp(v, -pixelLimit, pixelLimit)));
}
int ceilPixel(double v) {
    return static_cast<int>(std::ceil(std::clamp(v, -pixelLimit, pixelLimit)));
}

PixelRect fromEdges(double x0, double y0, double x1, double y1) {
    if (std::isnan(x0) || std::isnan(y0) || std::isnan(x1) || std::isnan(y1))
        return {};
    const int left = floorPixel(std::min(x0, x1));
    const int top = floorPixel(std::min(y0, y1));
    return {left, top, ceilPixel(std::max(x0, x1)) - left, ceilPixel(std::max(y0, y1)) - top};
}

}  // namespace

PixelRect PixelRect::intersected(const PixelRect& other) const {
    const int left = std::max(x, other.x);
    const int top = std::max(y, other.y);
    const int right = std::min(x + width, other.x + other.width);
    const int bottom = std::min(y + height, other.y + other.height);
    if (right <= left || bottom <= top)
        return {};
    return {left, top, right - left, bottom - top};
}

PixelRect deviceBounds(cairo_t* cr, const ui::Rect& user) {
    double x0 = user.minX(), y0 = user.minY(), x1 = user.maxX(), y1 = user.maxY();
    cairo_user_to_device(cr, &x0, &y0);
    cairo_user_to_device(cr, &x1, &y1);
    return fromEdges(x0, y0, x1, y1);
}

PixelRect deviceClipBounds(cairo_t* cr) {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
    return deviceBounds(cr, {x0, y0, x1 - x0, y1 - y0});
}

std::optional<ui::Rect> unite(const std::optional<ui::Rect>& a, const std::optional<ui::Rect>& b) {
    if (!a)
        return b;
    if (!b)
        return a;
    const double left = std::min(a->minX(), b->minX());
    const double top = std::min(a->minY(), b->minY());
    return ui::Rect{left, top, std::max(a->maxX(), b->maxX()) - left,
                    std::max(a->maxY(), b->maxY()) - top};
}

std::optional<ui::Rect> intersect(const std::optional<ui::Rect>& a, const ui::Rect& b) {
    if (!a)
        return std::nullopt;
    const double left = std::max(a->minX(), b.minX());
    const double top = std::max(a->minY(), b.minY());
    const double right = std::min(a->maxX(), b.maxX());
    const double bottom = std::min(a->maxY(), b.maxY());
    if (!(right > left) || !(bottom > top))
        return std::nullopt;
    return ui::Rect{left, top, right - left, bottom - top};
}

ui::Rect inflate(const ui::Rect& r, double by) {
    return {r.x - by, r.y - by, r.width + 2 * by, r.height + 2 * by};
}

image::PixelSize drawnPixelSize(const ui::Rect& frame, double scale) {
    // A hair of slack so that 54 points at 2x is 108 pixels, not 109 after rounding noise.
    auto pixels = [&](double points) {
        const double v = points * scale - 1e-6;
        if (!(v > 0))
            return 0;
        return static_cast<int>(std::ceil(std::min(v, pixelLimit)));
    };
    return {pixels(frame.width), pixels(frame.height)};
}

}  // namespace sonaris::platform::render
