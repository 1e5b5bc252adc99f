#include "platform/desktop/press_gesture.hpp"

#include <gtest/gtest.h>

namespace sonaris::platform::desktop {
namespace {

// A click's jitter keeps the press a click; more travel makes it a drag for good, which follows
// the pointer and opens nothing.
TEST(PressGesture, AClickUntilThePointerTravelsThenADrag) {
    auto url = foundation::URL::string("sonaris://play");
    PressGesture gesture({500, 300}, {400, 250, 340, 340}, 2, url);
    EXPECT_FALSE(gesture.moveTo({506, 304}));  // 3.6 points at 2 units a point
    EXPECT_EQ(gesture.target(), url);
    EXPECT_EQ(gesture.moveTo({510, 300}), (ui::Rect{410, 250, 340, 340}));
    EXPECT_TRUE(gesture.dragging());
    EXPECT_FALSE(gesture.target());
    EXPECT_EQ(gesture.moveTo({501, 299}), (ui::Rect{401, 249, 340, 340}))
        << "back near the start it is still a drag";
}

}  // namespace
}  // namespace sonaris::platform::desktop
