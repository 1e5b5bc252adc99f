#include "platform/desktop/placement_store.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/runtime/scratch_folder.hpp"

namespace sonaris::platform::desktop {
namespace {

// A 100x50-point widget at 2 pixels a point, dropped on a 1000x800 monitor at (1920, 40): it
// keeps the spot it was let go at, anchored to the edges it is nearer to.
TEST(PlacementStore, ADropIsKeptAsTheNearestAnchorAndItsMargins) {
    const ui::Rect monitor{1920, 40, 1000, 800};
    struct Case {
        ui::Point origin;
        Anchor anchor;
        ui::Point margin;
    };
    const Case cases[] = {
        {{1940, 80}, Anchor::topLeft, {10, 20}},
        {{2700, 700}, Anchor::bottomRight, {10, 20}},
        {{2320, 60}, Anchor::top, {0, 10}},
        {{2321, 390}, Anchor::center, {0, 0}},
        {{2000, 390}, Anchor::left, {40, 0}},
        {{1900, 900}, Anchor::bottomLeft, {0, 0}},  // partly off the monitor: back onto it
    };
    for (const auto& c : cases) {
        auto placement = placementAt({c.origin.x, c.origin.y, 200, 100}, monitor, 2, "DP-1");
        EXPECT_EQ(placement.anchor, c.anchor) << c.origin.x << "," << c.origin.y;
        EXPECT_EQ(placement.margin, c.margin) << c.origin.x << "," << c.origin.y;
        EXPECT_EQ(placement.output, "DP-1");
        if (c.origin.x >= monitor.x && c.origin.y + 100 <= monitor.y + monitor.height) {
            auto origin = placedOrigin(placement.anchor, placement.margin, monitor, {100, 50}, 2);
            EXPECT_NEAR(origin.x, c.origin.x, 2);
            EXPECT_NEAR(origin.y, c.origin.y, 2);
        }
    }
}

// Each name keeps its own place in one file written whole; the dropped place stands while the
// settings still ask for what they asked for at the drop, and a change of them wins.
TEST(PlacementStore, KeepsEachNamesPlaceUntilItsSettingsChange) {
    testing::ScratchFolder folder;
    PlacementStore store(folder.path() / "state" / "sonaris" / "placement.toml");
    EXPECT_FALSE(store.read("default"));

    const Placement configured{Anchor::center, {0, 0}, std::nullopt};
    const DroppedPlacement dropped{{Anchor::bottomRight, {24, 30}, "DP-1"}, configured};
    const DroppedPlacement other{{Anchor::topLeft, {5, 6}, std::nullopt},
                                 {Anchor::top, {1, 2}, "HDMI-1"}};
    const std::string oddName = "a \"b\"\n]";
    ASSERT_EQ(store.write("default", dropped), std::nullopt);
    ASSERT_EQ(store.write(oddName, other), std::nullopt);
    EXPECT_EQ(store.read("default"), dropped);
    EXPECT_EQ(store.read(oddName), other);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(store.file().parent_path()), {}), 1)
        << "no temporary file is left beside it";

    EXPECT_EQ(placementInForce(configured, store.read("default")), dropped.dropped);
    const Placement edited{Anchor::center, {0, 8}, std::nullopt};
    EXPECT_EQ(placementInForce(edited, store.read("default")), edited);
    EXPECT_EQ(placementInForce(configured, std::nullopt), configured);

    for (const char* broken : {"[default\n", "[default]\ndropped = 3\n", ""}) {
        folder.write("state/sonaris/placement.toml", broken);
        EXPECT_FALSE(store.read("default")) << broken;
    }
    ASSERT_EQ(store.write("default", dropped), std::nullopt) << "a broken file is started afresh";
    EXPECT_EQ(store.read("default"), dropped);
}

TEST(PlacementStore, FollowsXdgStateHome) {
    setenv("XDG_STATE_HOME", "/tmp/state-home", 1);
    EXPECT_EQ(placementStorePath(), "/tmp/state-home/sonaris/placement.toml");
    setenv("XDG_STATE_HOME", "relative", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(placementStorePath(), "/home/someone/.local/state/sonaris/placement.toml");
}

}  // namespace
}  // namespace sonaris::platform::desktop
