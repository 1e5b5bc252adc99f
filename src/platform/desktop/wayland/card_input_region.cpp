#include "platform/desktop/wayland/card_input_region.hpp"

#include <cmath>

#include "platform/render/desktop_card.hpp"

namespace sonaris::platform::desktop::wayland {

std::vector<RegionRect> cardInputRects(ui::Size widget) {
    int width = static_cast<int>(std::lround(widget.width));
    int height = static_cast<int>(std::lround(widget.height));
    std::vector<RegionRect> rects;
    if (width <= 0 || height <= 0)
        return rects;
    ui::Size size{double(width), double(height)};
    // The card is symmetric about both axes: the inset of a row in the upper half is that of its
    // mirror row below and the same on both sides.
    std::vector<int> insets(static_cast<std::size_t>(height));
    for (int y = 0; y < (height + 1) / 2; ++y) {
        int inset = 0;
        while (inset < width / 2 && !render::desktopCardContains(size, {inset + 0.5, y + 0.5}))
            ++inset;
        insets[static_cast<std::size_t>(y)] = inset;
        insets[static_cast<std::size_t>(height - 1 - y)] = inset;
    }
    for (int y = 0; y < height; ++y) {
        int inset = insets[static_cast<std::size_t>(y)];
        if (inset * 2 >= width)
            continue;
        if (!rects.empty() && rects.back().x == inset && rects.back().y + rects.back().height == y)
            ++rects.back().height;
        else
            rects.push_back({inset, y, width - 2 * inset, 1});
    }
    return rects;
}

}  // namespace sonaris::platform::desktop::wayland
