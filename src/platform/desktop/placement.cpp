#include "platform/desktop/placement.hpp"

#include <array>
#include <utility>

namespace sonaris::platform::desktop {

namespace {

constexpr std::array<std::pair<Anchor, std::string_view>, 9> anchorNames{{
    {Anchor::topLeft, "top-left"},
    {Anchor::top, "top"},
    {Anchor::topRight, "top-right"},
    {Anchor::left, "left"},
    {Anchor::center, "center"},
    {Anchor::right, "right"},
    {Anchor::bottomLeft, "bottom-left"},
    {Anchor::bottom, "bottom"},
    {Anchor::bottomRight, "bottom-right"},
}};

// -1 for the leading edge, 0 for the middle, 1 for the trailing edge.
std::pair<int, int> sidesOf(Anchor anchor) {
    switch (anchor) {
        case Anchor::topLeft:
            return {-1, -1};
        case Anchor::top:
            return {0, -1};
        case Anchor::topRight:
            return {1, -1};
        case Anchor::left:
            return {-1, 0};
        case Anchor::center:
            return {0, 0};
        case Anchor::right:
            return {1, 0};
        case Anchor::bottomLeft:
            return {-1, 1};
        case Anchor::bottom:
            return {0, 1};
        case Anchor::bottomRight:
            return {1, 1};
    }
    return {0, 0};
}

double placedOn(int side, double start, double extent, double size, double margin) {
    if (side < 0)
        return start + margin;
    if (side > 0)
        return start + extent - size - margin;
    return start + (extent - size) / 2;
}

}  // namespace

std::optional<Anchor> anchorNamed(std::string_view name) {
    for (const auto& [anchor, text] : anchorNames)
        if (text == name)
            return anchor;
    return std::nullopt;
}

std::string_view nameOf(Anchor anchor) {
    for (const auto& [candidate, text] : anchorNames)
        if (candidate == anchor)
            return text;
    return "center";
}

ui::Point placedOrigin(Anchor anchor, ui::Point margin, const ui::Rect& monitor, ui::Size widget,
                       double unitsPerPoint) {
    auto [horizontal, vertical] = sidesOf(anchor);
    return {placedOn(horizontal, monitor.x, monitor.width, widget.width * unitsPerPoint,
                     margin.x * unitsPerPoint),
            placedOn(vertical, monitor.y, monitor.height, widget.height * unitsPerPoint,
                     margin.y * unitsPerPoint)};
}

}  // namespace sonaris::platform::desktop
