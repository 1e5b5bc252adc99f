#pragma once

#include <vector>

#include "platform/ui/geometry.hpp"

namespace sonaris::platform::desktop::wayland {

struct RegionRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const RegionRect&) const = default;
};

// The desktop card as rectangles in whole points, for the surface's input region: a row belongs to
// it from the first point whose centre lies on the card, so clicks on the transparent corners
// reach the desktop. Rows with the same extent are merged.
std::vector<RegionRect> cardInputRects(ui::Size widget);

}  // namespace sonaris::platform::desktop::wayland
