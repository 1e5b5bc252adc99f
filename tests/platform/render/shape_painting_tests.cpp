#include <gtest/gtest.h>

#include <cmath>

#include "render_test_support.hpp"

namespace sonaris::platform::render {
namespace {

using namespace testing;
namespace ui = platform::ui;

constexpr ui::Color darkBg = ui::Color::rgb(0.05, 0.05, 0.07);

struct PaletteCase {
    ui::Color color;
    Pixel expected;
};

TEST(ShapePainting, OpaqueColoursLandOnTheirExactBytes) {
    const PaletteCase cases[] = {
        {darkBg, {13, 13, 18, 255}},
        {ui::Color::rgb(0.09, 0.09, 0.12), {23, 23, 31, 255}},
        {ruby, {242, 38, 23, 255}},
        {ui::Color::white(0.6), {153, 153, 153, 255}},
        {ui::Color::gray(), {142, 142, 147, 255}},
    };
    for (const auto& c : cases) {
        for (double scale : {1.0, 2.0, 3.0}) {
            const ui::ViewNode node = ui::ColorView(c.color);
            const Raster raster = paint(scene({10, 10}, laidOut(node, {0, 0, 10, 10})), scale);
            ASSERT_EQ(raster.width, static_cast<int>(10 * scale));
            EXPECT_EQ(pixelAt(raster, 0, 0), c.expected) << "scale " << scale;
            EXPECT_EQ(pixelAt(raster, raster.width - 1, raster.height - 1), c.expected);
        }
    }
}

TEST(ShapePainting, FilledCircleCoversItsMiddleAndLeavesTheCornersToTheBackground) {
    const ui::ViewNode background = ui::ColorView(darkBg);
    const ui::ViewNode dot = ui::Circle().fill(ruby);
    const ui::ViewNode stack = ui::ZStack(ui::Alignment::center(), {});
    const Raster raster =
        paint(scene({20, 20},
                    laidOut(stack, {0, 0, 20, 20},
                            {laidOut(background, {0, 0, 20, 20}), laidOut(dot, {2, 2, 16, 16})})),
              2);
    EXPECT_EQ(pixelAt(raster, 20, 20), (Pixel{242, 38, 23, 255}));
    EXPECT_EQ(pixelAt(raster, 6, 6), (Pixel{13, 13, 18, 255}));  // outside the disc's curve
    EXPECT_EQ(pixelAt(raster, 2, 20), (Pixel{13, 13, 18, 255}));
}

TEST(ShapePainting, ShapeWithoutFillTakesTheForegroundColour) {
    const ui::ViewNode shape = ui::Rectangle();
    ui::LaidOutView view = laidOut(shape, {0, 0, 4, 4});
    view.environment.foregroundColor = ruby;
    const Raster raster = paint(scene({4, 4}, view), 1);
    EXPECT_EQ(pixelAt(raster, 2, 2), (Pixel{242, 38, 23, 255}));
}

TEST(ShapePainting, StrokeStraddlesTheOutline) {
    // A four-point line on each shape laid out in (10, 10, 40, 40): two points of it lie on each
    // side of the outline, measured across the left edge's middle, where every outline is at
    // x = 10 and runs up and down.
    const ui::ViewNode shapes[] = {
        ui::Rectangle().stroke(ui::Color::white(), 4),
        ui::Circle().stroke(ui::Color::white(), 4),
        ui::RoundedRectangle(8).stroke(ui::Color::white(), 4),
        ui::Capsule().stroke(ui::Color::white(), 4),
    };
    for (const ui::ViewNode& shape : shapes) {
        const Raster raster = paint(scene({60, 60}, laidOut(shape, {10, 10, 40, 40})), 2);
        SCOPED_TRACE(static_cast<int>(std::get<ui::content::Shape>(shape.content).shape.kind));
        // Round outlines curve away within the pixel row, so a sliver of slack.
        EXPECT_GT(pixelAt(raster, 16, 60).a, 245);
        EXPECT_GT(pixelAt(raster, 23, 60).a, 245);
        EXPECT_LT(pixelAt(raster, 15, 60).a, 10);
        EXPECT_LT(pixelAt(raster, 24, 60).a, 10);
        EXPECT_EQ(pixelAt(raster, 60, 60).a, 0);  // hollow
    }
}

TEST(ShapePainting, ContinuousCornerStartsCurvingBeforeACircularOne) {
    auto corner = [](ui::RoundedCornerStyle style) {
        const ui::ViewNode shape = ui::RoundedRectangle(50, style).fill(ui::Color::white());
        return paint(scene({200, 200}, laidOut(shape, {0, 0, 200, 200})), 2);
    };
    const Raster continuous = corner(ui::RoundedCornerStyle::continuous);
    const Raster circular = corner(ui::RoundedCornerStyle::circular);
    // 0.95 radii from the corner along the top edge the arc has all but met the edge, while
    // the smooth corner still stands more than a pixel below it.
    EXPECT_GT(pixelAt(circular, 304, 0).a, 200);
    EXPECT_LT(pixelAt(continuous, 304, 0).a, 60);
    // Both meet the straight edge well before 1.6 radii.
    EXPECT_EQ(pixelAt(circular, 400 - 165, 0).a, 255);
    EXPECT_EQ(pixelAt(continuous, 400 - 165, 0).a, 255);
    // And both leave the very corner empty and the middle full.
    EXPECT_EQ(pixelAt(continuous, 399, 399).a, 0);
    EXPECT_EQ(pixelAt(continuous, 200, 200).a, 255);
}

TEST(ShapePainting, ContinuousCornersTooLargeForTheShapeBecomeHalfCircles) {
    // A thin bar: its capsule must end in half circles in either style, never in a point.
    for (ui::Rect frame :
         {ui::Rect{0, 0, 100, 6}, ui::Rect{0, 0, 6, 100}, ui::Rect{0, 0, 20, 20}}) {
        const ui::ViewNode smooth =
            ui::Capsule(ui::RoundedCornerStyle::continuous).fill(ui::Color::white());
        const ui::ViewNode round =
            ui::Capsule(ui::RoundedCornerStyle::circular).fill(ui::Color::white());
        const ui::Size size{frame.width, frame.height};
        const Raster a = paint(scene(size, laidOut(smooth, frame)), 2);
        const Raster b = paint(scene(size, laidOut(round, frame)), 2);
        EXPECT_LT(std::abs(alphaSum(a) - alphaSum(b)), alphaSum(b) / 200)
            << frame.width << "x" << frame.height;
    }
}

TEST(ShapePainting, GradientRunsFromTopLeadingToBottomTrailingOfTheShape) {
    ui::LinearGradient gradient{{{ui::Color::white(), ui::Color::black()}},
                                ui::UnitPoint::topLeading(),
                                ui::UnitPoint::bottomTrailing()};
    const ui::ViewNode shape = ui::Rectangle().fill(gradient);
    // Off the origin, so a gradient spread over the widget rather than the shape would show.
    const Raster raster = paint(scene({120, 120}, laidOut(shape, {60, 60, 60, 60})), 1);
    EXPECT_GT(pixelAt(raster, 60, 60).r, 245);
    EXPECT_LT(pixelAt(raster, 119, 119).r, 10);
    EXPECT_NEAR(pixelAt(raster, 90, 90).r, 128, 6);
    EXPECT_EQ(pixelAt(raster, 90, 90).a, 255);
}

TEST(ShapePainting, DividerIsAFaintLightLineFillingItsFrame) {
    const ui::ViewNode divider = ui::Divider();
    const Raster raster = paint(scene({10, 4}, laidOut(divider, {0, 1, 10, 0.5})), 2);
    EXPECT_EQ(pixelAt(raster, 5, 2), (Pixel{26, 26, 26, 26}));
    EXPECT_EQ(pixelAt(raster, 5, 1).a, 0);
    EXPECT_EQ(pixelAt(raster, 5, 3).a, 0);
}

}  // namespace
}  // namespace sonaris::platform::render
