#include <gtest/gtest.h>

#include "platform/desktop/placement.hpp"

namespace sonaris::platform::desktop {
namespace {

TEST(Placement, EveryAnchorOnAMonitorWithItsOffset) {
    // A 100x50-point widget at 2 pixels a point on a 1000x800 monitor standing at (1920, 40).
    const ui::Rect monitor{1920, 40, 1000, 800};
    const ui::Size widget{100, 50};
    const ui::Point margin{10, 20};
    struct Case {
        const char* name;
        ui::Point origin;
    };
    const Case cases[] = {
        {"top-left", {1940, 80}},     {"top", {2320, 80}},     {"top-right", {2700, 80}},
        {"left", {1940, 390}},        {"center", {2320, 390}}, {"right", {2700, 390}},
        {"bottom-left", {1940, 700}}, {"bottom", {2320, 700}}, {"bottom-right", {2700, 700}},
    };
    for (const auto& c : cases) {
        auto anchor = anchorNamed(c.name);
        ASSERT_TRUE(anchor) << c.name;
        EXPECT_EQ(nameOf(*anchor), c.name);
        EXPECT_EQ(placedOrigin(*anchor, margin, monitor, widget, 2), c.origin) << c.name;
    }
    for (const char* bad : {"", "Top-Left", "topleft", "middle", "top-left "})
        EXPECT_FALSE(anchorNamed(bad)) << bad;
}

}  // namespace
}  // namespace sonaris::platform::desktop
