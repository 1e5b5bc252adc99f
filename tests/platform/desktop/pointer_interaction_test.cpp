#include "platform/desktop/pointer_interaction.hpp"

#include <gtest/gtest.h>

#include "platform/ui/views.hpp"

namespace sonaris::platform::desktop {
namespace {

// A 100x100-point card with one control (a link) in its middle, at 2 pixels a point, whose
// window stands at (1000, 600) on a 1920x1080 monitor.
class PointerInteractionTest : public ::testing::Test {
  protected:
    PointerInteractionTest()
        : laidOut_(ui::layout(
              ui::ZStack(ui::Alignment::center(),
                         {ui::ColorView(ui::Color::white()).frame(100, 100),
                          ui::Link(play_, ui::Circle().fill(ui::Color::white()).frame(20, 20))}),
              {100, 100}, 2)) {}

    PointerInteraction::Effects pressAt(ui::Point inWidget) {
        return pointer_.press(inWidget, onMonitor(inWidget), geometry_, laidOut_, true);
    }
    ui::Point onMonitor(ui::Point inWidget) const {
        return {1000 + inWidget.x * 2, 600 + inWidget.y * 2};
    }

    foundation::URL play_ = *foundation::URL::string("sonaris://play");
    ui::LayoutResult laidOut_;
    WindowGeometry geometry_{{1000, 600, 200, 200}, {0, 0, 1920, 1080}, 2, "DP-1"};
    PointerInteraction pointer_;
};

TEST_F(PointerInteractionTest, AStillClickOpensItsControlAndDarkensItMeanwhile) {
    EXPECT_EQ(pointer_.motion({50, 50}, onMonitor({50, 50}), laidOut_).look, PointerLook::hand);
    EXPECT_EQ(pointer_.motion({5, 5}, onMonitor({5, 5}), laidOut_).look, PointerLook::arrow);

    EXPECT_TRUE(pressAt({50, 50}).redraw);
    EXPECT_EQ(pointer_.pressedControl(), (ui::Rect{40, 40, 20, 20}));
    EXPECT_FALSE(pointer_.motion({51, 51}, onMonitor({51, 51}), laidOut_).place);
    auto released = pointer_.release({51, 51}, laidOut_);
    EXPECT_EQ(released.open, play_);
    EXPECT_TRUE(released.redraw);
    EXPECT_FALSE(pointer_.pressedControl());

    pressAt({50, 50});
    EXPECT_FALSE(pointer_.release({90, 90}, laidOut_).open) << "released elsewhere";
}

// A press that travels drags the card, control or not, and its release opens nothing but keeps
// the place it was dropped.
TEST_F(PointerInteractionTest, ATravellingPressDragsAndDropsWithoutOpening) {
    pressAt({50, 50});
    auto moved = pointer_.motion({70, 50}, onMonitor({70, 50}), laidOut_);
    ASSERT_TRUE(moved.place);
    EXPECT_TRUE(moved.redraw) << "the control is no longer pressed";
    EXPECT_FALSE(pointer_.pressedControl());
    // Dragged 800 pixels right and 400 down: the card reaches the bottom-right corner.
    auto far = pointer_.motion({450, 250}, onMonitor({450, 250}), laidOut_);
    ASSERT_TRUE(far.place);
    EXPECT_EQ(far.place->anchor, Anchor::bottomRight);
    EXPECT_EQ(far.place->output, "DP-1");
    auto released = pointer_.release({450, 250}, laidOut_);
    EXPECT_FALSE(released.open);
    EXPECT_EQ(released.dropped, far.place);

    EXPECT_FALSE(pointer_.press({1, 1}, onMonitor({1, 1}), geometry_, laidOut_, false).redraw);
    EXPECT_FALSE(pointer_.motion({40, 1}, onMonitor({40, 1}), laidOut_).place)
        << "a press beside the card is the desktop's";
}

}  // namespace
}  // namespace sonaris::platform::desktop
