#pragma once

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/render/painter.hpp"
#include "platform/ui/layout.hpp"
#include "platform/ui/views.hpp"

namespace sonaris::platform::render::testing {

// The accent the painting tests draw with.
inline constexpr ui::Color ruby = ui::Color::rgb(0.95, 0.15, 0.09);

// A view as the layout engine would leave it when no modifier moves it: every layer in `frame`.
inline ui::LaidOutView laidOut(const ui::ViewNode& node, ui::Rect frame,
                               std::vector<ui::LaidOutView> children = {}) {
    ui::LaidOutView view;
    view.node = &node;
    view.layerFrames.assign(node.modifiers.size() + 1, frame);
    view.frame = frame;
    view.children = std::move(children);
    view.modifierContent.resize(node.modifiers.size());
    return view;
}

inline ui::LayoutResult scene(ui::Size size, ui::LaidOutView tree) {
    ui::LayoutResult result;
    result.size = size;
    result.tree = std::move(tree);
    return result;
}

// One pixel as Cairo keeps it: premultiplied.
struct Pixel {
    int r = 0;
    int g = 0;
    int b = 0;
    int a = 0;
    bool operator==(const Pixel&) const = default;
};

inline Pixel pixelAt(const Raster& raster, int x, int y) {
    std::uint32_t word = 0;
    std::memcpy(&word, raster.pixels.data() + static_cast<std::size_t>(y) * raster.stride + x * 4,
                sizeof word);
    return {static_cast<int>((word >> 16) & 0xff), static_cast<int>((word >> 8) & 0xff),
            static_cast<int>(word & 0xff), static_cast<int>(word >> 24)};
}

inline long long alphaSum(const Raster& raster) {
    long long sum = 0;
    for (int y = 0; y < raster.height; ++y)
        for (int x = 0; x < raster.width; ++x)
            sum += pixelAt(raster, x, y).a;
    return sum;
}

}  // namespace sonaris::platform::render::testing
