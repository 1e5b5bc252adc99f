#pragma once

#include <optional>

namespace sonaris::platform::ui {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double minY() const { return y; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    Size size() const { return {width, height}; }
    Point center() const { return {x + width / 2, y + height / 2}; }
    // Half-open, so a point on the shared edge of two neighbours belongs to one of them only.
    bool contains(Point p) const { return p.x >= x && p.x < maxX() && p.y >= y && p.y < maxY(); }
    bool operator==(const Rect&) const = default;
};

// What a parent offers a child: a missing dimension asks for the child's ideal size there.
struct ProposedSize {
    std::optional<double> width;
    std::optional<double> height;
    bool operator==(const ProposedSize&) const = default;
};

enum class HorizontalAlignment { leading, center, trailing };
enum class VerticalAlignment { top, center, bottom };

struct Alignment {
    HorizontalAlignment horizontal = HorizontalAlignment::center;
    VerticalAlignment vertical = VerticalAlignment::center;
    bool operator==(const Alignment&) const = default;

    static constexpr Alignment center() { return {}; }
    static constexpr Alignment leading() { return {HorizontalAlignment::leading}; }
    static constexpr Alignment trailing() { return {HorizontalAlignment::trailing}; }
    static constexpr Alignment top() { return {HorizontalAlignment::center, VerticalAlignment::top}; }
    static constexpr Alignment bottom() {
        return {HorizontalAlignment::center, VerticalAlignment::bottom};
    }
    static constexpr Alignment topLeading() {
        return {HorizontalAlignment::leading, VerticalAlignment::top};
    }
};

// A point in unit coordinates of a shape's bounds: (0, 0) top-leading, (1, 1) bottom-trailing.
struct UnitPoint {
    double x = 0;
    double y = 0;
    bool operator==(const UnitPoint&) const = default;

    static constexpr UnitPoint topLeading() { return {0, 0}; }
    static constexpr UnitPoint center() { return {0.5, 0.5}; }
    static constexpr UnitPoint bottomTrailing() { return {1, 1}; }
};

struct EdgeSet {
    bool top = false;
    bool leading = false;
    bool bottom = false;
    bool trailing = false;
    bool operator==(const EdgeSet&) const = default;

    static constexpr EdgeSet all() { return {true, true, true, true}; }
    static constexpr EdgeSet horizontal() { return {false, true, false, true}; }
    static constexpr EdgeSet vertical() { return {true, false, true, false}; }
};

}  // namespace sonaris::platform::ui
