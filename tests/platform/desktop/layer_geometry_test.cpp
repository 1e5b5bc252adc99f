#include <gtest/gtest.h>

#include <cmath>

#include "platform/desktop/wayland/card_input_region.hpp"
#include "platform/desktop/wayland/layer_geometry.hpp"
#include "platform/desktop/wayland/wayland_connection.hpp"
#include "platform/render/desktop_card.hpp"

namespace sonaris::platform::desktop::wayland {
namespace {

TEST(LayerGeometry, AnchorsTakeTheMarginOnlyOnTheirEdges) {
    struct Case {
        Anchor anchor;
        LayerGeometry expected;
    };
    // Edge bits: top 1, bottom 2, left 4, right 8; margins top, right, bottom, left.
    const Case cases[] = {
        {Anchor::topLeft, {1 | 4, 20, 0, 0, 10}},
        {Anchor::top, {1, 20, 0, 0, 0}},
        {Anchor::bottomRight, {2 | 8, 0, 10, 20, 0}},
        {Anchor::right, {8, 0, 10, 0, 0}},
        {Anchor::center, {0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(layerGeometryFor({c.anchor, {10.4, 19.6}, std::nullopt}), c.expected)
            << nameOf(c.anchor);
}

TEST(LayerGeometry, AbsurdMarginsStayWithinWhatTheProtocolCarries) {
    auto geometry = layerGeometryFor({Anchor::topLeft, {1e300, -1e300}, std::nullopt});
    EXPECT_EQ(geometry.left, 100000);
    EXPECT_EQ(geometry.top, -100000);
    EXPECT_EQ(layerGeometryFor({Anchor::topLeft, {std::nan(""), 5}, std::nullopt}).left, 0);
}

TEST(LayerGeometry, MarginsBeyondTheOutputLeaveTheWidgetAtItsFarEdge) {
    ui::Size widget{364, 170};
    auto far = keptOnOutput({2 | 8, 0, 5000, -40, 0}, widget, {1280, 720});
    EXPECT_EQ(far, (LayerGeometry{2 | 8, 0, 1280 - 364, 0, 0}));
    auto small = keptOnOutput({1 | 4, 10, 0, 0, 10}, {400, 400}, {300, 300});
    EXPECT_EQ(small, (LayerGeometry{1 | 4, 0, 0, 0, 0}));
    // An output of unknown size changes nothing.
    EXPECT_EQ(keptOnOutput({1, 5000, 0, 0, 0}, widget, {}), (LayerGeometry{1, 5000, 0, 0, 0}));
}

TEST(DrawingScale, ChoosesBetweenBufferScaleAndViewport) {
    struct Case {
        std::optional<double> requested;
        std::optional<std::uint32_t> preferred;
        int output;
        bool viewporter;
        DrawingScale expected;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, 1, true, {1, 1, false}},
        {std::nullopt, std::nullopt, 2, true, {2, 2, false}},
        {std::nullopt, 180, 2, true, {1.5, 1, true}},  // fractional: exact, through a viewport
        {std::nullopt, 240, 1, true, {2, 2, false}},   // a whole preferred scale needs none
        {std::nullopt, 180, 2, false, {2, 2, false}},  // no viewporter: the next integer
        {1.5, std::nullopt, 1, true, {1.5, 1, true}},  // asked for wins over the output's
        {3, 180, 1, true, {3, 3, false}},
        {-1, std::nullopt, 2, true, {2, 2, false}},  // nonsense is ignored
        {0.5, std::nullopt, 1, false, {1, 1, false}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(drawingScaleFor(c.requested, c.preferred, c.output, c.viewporter), c.expected)
            << c.requested.value_or(0) << " " << c.preferred.value_or(0) << " " << c.output;
}

TEST(DrawingScale, AnOutputsSizesImplyItsFractionalScale) {
    struct Case {
        int modeWidth, modeHeight, logicalWidth, logicalHeight;
        std::optional<std::uint32_t> expected;
    };
    const Case cases[] = {
        {1280, 720, 853, 480, 180},  // 1.5, the logical width rounded down
        {720, 1280, 480, 853, 180},  // rotated
        {2560, 1440, 1280, 720, 240},    {1280, 720, 0, 0, std::nullopt},  // no xdg-output
        {0, 0, 1280, 720, std::nullopt},
    };
    for (const auto& c : cases) {
        WaylandOutput output;
        output.modeWidth = c.modeWidth;
        output.modeHeight = c.modeHeight;
        output.logicalWidth = c.logicalWidth;
        output.logicalHeight = c.logicalHeight;
        EXPECT_EQ(output.impliedScale120ths(), c.expected) << c.modeWidth << "/" << c.logicalWidth;
    }
}

TEST(CardInputRegion, CoversTheCardAndLeavesTheCornersOut) {
    ui::Size widget{170, 170};
    auto rects = cardInputRects(widget);
    ASSERT_FALSE(rects.empty());
    auto covered = [&](double x, double y) {
        for (const auto& r : rects)
            if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height)
                return true;
        return false;
    };
    // Every point centre agrees with the card, except within a point of its edge.
    int disagreements = 0;
    for (int y = 0; y < 170; ++y)
        for (int x = 0; x < 170; ++x)
            if (covered(x + 0.5, y + 0.5) !=
                render::desktopCardContains(widget, {x + 0.5, y + 0.5}))
                ++disagreements;
    EXPECT_EQ(disagreements, 0);
    EXPECT_FALSE(covered(1, 1));
    EXPECT_FALSE(covered(168.5, 168.5));
    EXPECT_TRUE(covered(85, 0.5));
    // Rows of one extent are merged: the straight middle is one rectangle.
    EXPECT_LT(rects.size(), 80u);
    EXPECT_TRUE(cardInputRects({0, 10}).empty());
}

}  // namespace
}  // namespace sonaris::platform::desktop::wayland
