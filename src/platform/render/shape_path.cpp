#include "platform/render/shape_path.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace sonaris::platform::render {

namespace {

// A corner as offsets from its vertex: `along` back along the incoming edge, `across` along the
// outgoing one. The outline runs start, curve, line, curve, line, curve: twelve points.
struct CornerPoint {
    double along = 0;
    double across = 0;
};
using Corner = std::array<CornerPoint, 12>;

// The smooth-curvature corner, as the widely used three-cubic approximation for radius 1.
constexpr Corner continuousCorner = {{
    {1.52866483, 0},
    {1.08849323, 0},
    {0.86840689, 0},
    {0.66993427, 0.06549600},
    {0.63149399, 0.07491100},
    {0.37282392, 0.16905899},
    {0.16906013, 0.37282401},
    {0.07491176, 0.63149399},
    {0.06549569, 0.66993398},
    {0, 0.86840701},
    {0, 1.08849299},
    {0, 1.52866483},
}};

// A quarter circle of radius 1 in the same twelve-point form (three 30-degree cubics joined by
// zero-length lines), so the two corners can be blended point by point.
Corner circularCorner() {
    auto at = [](double phi) { return CornerPoint{1 - std::sin(phi), 1 - std::cos(phi)}; };
    auto tangent = [](double phi) { return CornerPoint{-std::cos(phi), std::sin(phi)}; };
    constexpr double step = std::numbers::pi / 6;
    const double handle = 4.0 / 3.0 * std::tan(step / 4);
    Corner c{};
    int i = 0;
    for (int segment = 0; segment < 3; ++segment) {
        const double from = segment * step;
        const double to = from + step;
        const CornerPoint p0 = at(from);
        const CornerPoint p1 = at(to);
        const CornerPoint t0 = tangent(from);
        const CornerPoint t1 = tangent(to);
        if (segment == 0)
            c[i++] = p0;
        c[i++] = {p0.along + handle * t0.along, p0.across + handle * t0.across};
        c[i++] = {p1.along - handle * t1.along, p1.across - handle * t1.across};
        c[i++] = p1;
        if (segment < 2)
            c[i++] = p1;  // the zero-length joining line
    }
    return c;
}

struct Vec {
    double x = 0;
    double y = 0;
};

// One corner of the outline: `vertex` is the rectangle's corner, `in` the direction of travel
// along the edge reaching it, `out` the direction along the edge leaving it.
void appendCorner(cairo_t* cr, const Corner& shape, double radius, Vec vertex, Vec in, Vec out) {
    auto point = [&](CornerPoint p) {
        return Vec{vertex.x - p.along * radius * in.x + p.across * radius * out.x,
                   vertex.y - p.along * radius * in.y + p.across * radius * out.y};
    };
    auto curve = [&](CornerPoint a, CornerPoint b, CornerPoint c) {
        const Vec pa = point(a), pb = point(b), pc = point(c);
        cairo_curve_to(cr, pa.x, pa.y, pb.x, pb.y, pc.x, pc.y);
    };
    const Vec start = point(shape[0]);
    cairo_line_to(cr, start.x, start.y);
    curve(shape[1], shape[2], shape[3]);
    const Vec joint1 = point(shape[4]);
    cairo_line_to(cr, joint1.x, joint1.y);
    curve(shape[5], shape[6], shape[7]);
    const Vec joint2 = point(shape[8]);
    cairo_line_to(cr, joint2.x, joint2.y);
    curve(shape[9], shape[10], shape[11]);
}

}  // namespace

void appendRoundedRectPath(cairo_t* cr, const ui::Rect& frame, double radius,
                           ui::RoundedCornerStyle style) {
    if (!(frame.width > 0) || !(frame.height > 0))
        return;
    const double room = std::min(frame.width, frame.height) / 2;
    const double r = std::clamp(std::isfinite(radius) ? radius : 0.0, 0.0, room);
    if (r <= 0) {
        cairo_rectangle(cr, frame.x, frame.y, frame.width, frame.height);
        return;
    }
    if (style == ui::RoundedCornerStyle::circular) {
        const double x0 = frame.minX() + r, x1 = frame.maxX() - r;
        const double y0 = frame.minY() + r, y1 = frame.maxY() - r;
        constexpr double pi = std::numbers::pi;
        cairo_new_sub_path(cr);
        cairo_arc(cr, x1, y0, r, -pi / 2, 0);
        cairo_arc(cr, x1, y1, r, 0, pi / 2);
        cairo_arc(cr, x0, y1, r, pi / 2, pi);
        cairo_arc(cr, x0, y0, r, pi, 3 * pi / 2);
        cairo_close_path(cr);
        return;
    }

    // Blend from circular (0) to fully continuous (1) so the corner never reaches past the
    // middle of an edge.
    const double blend = std::clamp((room / r - 1) / (continuousCornerExtent - 1), 0.0, 1.0);
    static const Corner circular = circularCorner();
    Corner corner{};
    for (std::size_t i = 0; i < corner.size(); ++i) {
        corner[i] = {
            circular[i].along + (continuousCorner[i].along - circular[i].along) * blend,
            circular[i].across + (continuousCorner[i].across - circular[i].across) * blend};
    }
    const double extent = 1 + (continuousCornerExtent - 1) * blend;

    const Vec topLeft{frame.minX(), frame.minY()}, topRight{frame.maxX(), frame.minY()};
    const Vec bottomRight{frame.maxX(), frame.maxY()}, bottomLeft{frame.minX(), frame.maxY()};
    cairo_new_sub_path(cr);
    cairo_move_to(cr, frame.minX() + extent * r, frame.minY());
    appendCorner(cr, corner, r, topRight, {1, 0}, {0, 1});
    appendCorner(cr, corner, r, bottomRight, {0, 1}, {-1, 0});
    appendCorner(cr, corner, r, bottomLeft, {-1, 0}, {0, -1});
    appendCorner(cr, corner, r, topLeft, {0, -1}, {1, 0});
    cairo_close_path(cr);
}

void appendShapePath(cairo_t* cr, const ui::Shape& shape, const ui::Rect& frame) {
    if (!(frame.width > 0) || !(frame.height > 0))
        return;
    switch (shape.kind) {
        case ui::Shape::Kind::circle: {
            const ui::Point c = frame.center();
            cairo_new_sub_path(cr);
            cairo_arc(cr, c.x, c.y, std::min(frame.width, frame.height) / 2, 0,
                      2 * std::numbers::pi);
            cairo_close_path(cr);
            return;
        }
        case ui::Shape::Kind::capsule:
            appendRoundedRectPath(cr, frame, std::min(frame.width, frame.height) / 2, shape.style);
            return;
        case ui::Shape::Kind::roundedRectangle:
            appendRoundedRectPath(cr, frame, shape.cornerRadius, shape.style);
            return;
        case ui::Shape::Kind::rectangle:
            cairo_rectangle(cr, frame.x, frame.y, frame.width, frame.height);
            return;
    }
}

void appendStrokeOutline(cairo_t* cr, const ui::Shape& shape, const ui::Rect& frame,
                         double lineWidth) {
    if (!(frame.width > 0) || !(frame.height > 0) || !(lineWidth > 0))
        return;
    const double half = lineWidth / 2;
    const ui::Rect outer{frame.x - half, frame.y - half, frame.width + lineWidth,
                         frame.height + lineWidth};
    const ui::Rect inner{frame.x + half, frame.y + half, frame.width - lineWidth,
                         frame.height - lineWidth};
    switch (shape.kind) {
        case ui::Shape::Kind::circle: {
            const ui::Point c = frame.center();
            const double r = std::min(frame.width, frame.height) / 2;
            cairo_new_sub_path(cr);
            cairo_arc(cr, c.x, c.y, r + half, 0, 2 * std::numbers::pi);
            cairo_close_path(cr);
            if (r > half) {
                cairo_new_sub_path(cr);
                cairo_arc(cr, c.x, c.y, r - half, 0, 2 * std::numbers::pi);
                cairo_close_path(cr);
            }
            return;
        }
        case ui::Shape::Kind::rectangle:
            appendShapePath(cr, shape, outer);
            appendShapePath(cr, shape, inner);
            return;
        case ui::Shape::Kind::capsule:
        case ui::Shape::Kind::roundedRectangle: {
            const double room = std::min(frame.width, frame.height) / 2;
            const double radius =
                shape.kind == ui::Shape::Kind::capsule
                    ? room
                    : std::clamp(std::isfinite(shape.cornerRadius) ? shape.cornerRadius : 0.0, 0.0,
                                 room);
            // Offsetting a rounded corner by d changes its radius by d; a square corner stays
            // square, as a mitred join keeps it.
            appendRoundedRectPath(cr, outer, radius > 0 ? radius + half : 0, shape.style);
            appendRoundedRectPath(cr, inner, std::max(radius - half, 0.0), shape.style);
            return;
        }
    }
}

}  // namespace sonaris::platform::render
