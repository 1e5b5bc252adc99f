#include <gtest/gtest.h>

#include <cmath>

#include "render_test_support.hpp"

namespace sonaris::platform::render {
namespace {

using namespace testing;
namespace ui = platform::ui;

constexpr ui::Color red = ui::Color::rgb(1, 0, 0);
constexpr ui::Color blue = ui::Color::rgb(0, 0, 1);

TEST(EffectPainting, OpacityFadesTheLayerAsOneGroup) {
    const ui::ViewNode back = ui::ColorView(red);
    const ui::ViewNode front = ui::ColorView(blue);
    const ui::ViewNode stack = ui::ZStack(ui::Alignment::center(), {}).opacity(0.5);
    const Raster raster = paint(
        scene({30, 10}, laidOut(stack, {0, 0, 30, 10},
                                {laidOut(back, {0, 0, 20, 10}), laidOut(front, {10, 0, 20, 10})})),
        1);
    // Where the two overlap only the front shows, at half strength: red does not shine through.
    EXPECT_EQ(pixelAt(raster, 15, 5), (Pixel{0, 0, 128, 128}));
    EXPECT_EQ(pixelAt(raster, 5, 5), (Pixel{128, 0, 0, 128}));
}

TEST(EffectPainting, ZeroOpacityDrawsNothing) {
    const ui::ViewNode node = ui::ColorView(red).opacity(0);
    EXPECT_EQ(alphaSum(paint(scene({4, 4}, laidOut(node, {0, 0, 4, 4})), 1)), 0);
}

TEST(EffectPainting, BlurSpreadsBeyondTheFrameAndLowersThePeak) {
    const ui::ViewNode sharp = ui::ColorView(ui::Color::white());
    const ui::ViewNode blurred = ui::ColorView(ui::Color::white()).blur(3);
    const ui::Rect frame{47, 47, 6, 6};
    const Raster a = paint(scene({100, 100}, laidOut(sharp, frame)), 2);
    const Raster b = paint(scene({100, 100}, laidOut(blurred, frame)), 2);
    EXPECT_EQ(pixelAt(a, 84, 100).a, 0);
    EXPECT_GT(pixelAt(b, 84, 100).a, 5);  // five points outside the frame
    EXPECT_GT(pixelAt(b, 100, 84).a, 5);
    EXPECT_EQ(pixelAt(a, 100, 100).a, 255);
    EXPECT_LT(pixelAt(b, 100, 100).a, 200);
    EXPECT_GT(pixelAt(b, 100, 100).a, 60);
    // Blurring moves paint about without adding or losing any.
    EXPECT_NEAR(static_cast<double>(alphaSum(b)), static_cast<double>(alphaSum(a)),
                alphaSum(a) * 0.01);
}

TEST(EffectPainting, BlurRadiusGrowsWithTheScale) {
    const ui::ViewNode blurred = ui::ColorView(ui::Color::white()).blur(2);
    const ui::Rect frame{10, 10, 10, 10};
    const Raster one = paint(scene({30, 30}, laidOut(blurred, frame)), 1);
    const Raster three = paint(scene({30, 30}, laidOut(blurred, frame)), 3);
    // The same point, 1.5 points outside the square, fades alike at both scales.
    const int atOne = pixelAt(one, 21, 15).a;
    EXPECT_GT(atOne, 30);
    EXPECT_NEAR(atOne, pixelAt(three, 64, 45).a, 12);
}

TEST(EffectPainting, WideBlurKeepsTheGaussianProfile) {
    // A wide blur is worked out on coarser pixels; the edge of a large square must still fall
    // off as a Gaussian of the requested radius, in the right place. Sigma 12 points at 2x.
    const ui::ViewNode node = ui::ColorView(ui::Color::white()).blur(12);
    const Raster raster = paint(scene({200, 200}, laidOut(node, {50, 0, 150, 200})), 2);
    const struct {
        double pointsOutside;
        double expected;  // 255 times the normal tail beyond that distance
    } profile[] = {{-24, 250}, {-12, 214}, {0, 127.5}, {12, 40.5}, {24, 5.8}};
    for (const auto& p : profile) {
        const int x = static_cast<int>((50 - p.pointsOutside) * 2);
        EXPECT_NEAR(pixelAt(raster, x, 200).a, p.expected, 8) << p.pointsOutside;
    }
}

TEST(EffectPainting, BlurBeforeAClipSeesWhatTheClipLaterCuts) {
    // A white square blurred and then clipped to itself: its edge is soft inside the clip and
    // nothing lies outside it.
    const ui::ViewNode node = ui::ColorView(ui::Color::white()).blur(4).clipped();
    const Raster raster = paint(scene({40, 40}, laidOut(node, {10, 10, 20, 20})), 1);
    EXPECT_LT(pixelAt(raster, 10, 20).a, 200);
    EXPECT_EQ(pixelAt(raster, 9, 20).a, 0);
    EXPECT_GT(pixelAt(raster, 20, 20).a, 240);
}

TEST(EffectPainting, ShadowFallsUnderTheLayerAtItsOffset) {
    const ui::ViewNode node =
        ui::ColorView(ui::Color::white()).shadow(ui::Color::black().opacity(0.5), 0, 5, 3);
    const Raster raster = paint(scene({40, 40}, laidOut(node, {10, 10, 10, 10})), 2);
    EXPECT_EQ(pixelAt(raster, 30, 30), (Pixel{255, 255, 255, 255}));  // the layer on top
    EXPECT_EQ(pixelAt(raster, 45, 35), (Pixel{0, 0, 0, 128}));        // right of it: shadow
    EXPECT_EQ(pixelAt(raster, 30, 45), (Pixel{0, 0, 0, 128}));        // below it: shadow
    EXPECT_EQ(pixelAt(raster, 15, 30).a, 0);                          // left: none
    EXPECT_EQ(pixelAt(raster, 30, 17).a, 0);                          // above: none
    EXPECT_EQ(pixelAt(raster, 51, 30).a, 0);                          // beyond the offset
}

TEST(EffectPainting, SoftShadowGlowsEvenlyAroundAnUnoffsetLayer) {
    const ui::ViewNode dot = ui::Circle().fill(red).shadow(red.opacity(0.8), 4);
    const Raster raster = paint(scene({40, 40}, laidOut(dot, {16.5, 16.5, 7, 7})), 2);
    const int left = pixelAt(raster, 26, 40).a;
    const int right = pixelAt(raster, 53, 40).a;
    EXPECT_GT(left, 5);
    EXPECT_NEAR(left, right, 2);
    EXPECT_EQ(pixelAt(raster, 40, 40), (Pixel{255, 0, 0, 255}));
}

TEST(EffectPainting, ClearShadowLeavesNoTrace) {
    const ui::ViewNode plain = ui::ColorView(red);
    const ui::ViewNode shadowed = ui::ColorView(red).shadow(ui::Color::clear(), 4);
    const ui::Rect frame{10, 10, 10, 10};
    EXPECT_EQ(paint(scene({30, 30}, laidOut(plain, frame)), 2).pixels,
              paint(scene({30, 30}, laidOut(shadowed, frame)), 2).pixels);
}

TEST(EffectPainting, ClippedCutsHardAndClipShapeCutsSmoothly) {
    // A colour framed smaller than itself with fractional edges, then clipped to that frame.
    const ui::ViewNode hard = ui::ColorView(ui::Color::white()).frame(10.5, 10.5).clipped();
    const ui::ViewNode soft =
        ui::ColorView(ui::Color::white()).frame(10.5, 10.5).clipShape(ui::shapes::rectangle());
    const std::vector<ui::Rect> frames = {
        {0, 0, 40, 40}, {10.25, 10.25, 10.5, 10.5}, {10.25, 10.25, 10.5, 10.5}};
    ui::LaidOutView hardView = laidOut(hard, frames.back());
    ui::LaidOutView softView = laidOut(soft, frames.back());
    hardView.layerFrames = frames;
    softView.layerFrames = frames;
    const Raster a = paint(scene({40, 40}, hardView), 1);
    const Raster b = paint(scene({40, 40}, softView), 1);
    for (int x = 8; x < 24; ++x) {
        const int alpha = pixelAt(a, x, 15).a;
        EXPECT_TRUE(alpha == 0 || alpha == 255) << x;
    }
    EXPECT_EQ(pixelAt(a, 30, 15).a, 0);
    EXPECT_EQ(pixelAt(a, 15, 15).a, 255);
    EXPECT_GT(pixelAt(b, 10, 15).a, 150);  // three quarters of that pixel
    EXPECT_LT(pixelAt(b, 10, 15).a, 230);
    EXPECT_EQ(pixelAt(b, 15, 15).a, 255);
    EXPECT_EQ(pixelAt(b, 30, 15).a, 0);
}

TEST(EffectPainting, BackgroundGoesBehindAndOverlayInFront) {
    ui::ViewNode node = ui::Rectangle()
                            .fill(red)
                            .overlay(ui::ColorView(blue))
                            .background(ui::ColorView(ui::Color::white()));
    const ui::ViewNode& overlay = *std::get<ui::modifier::Overlay>(node.modifiers[1]).content;
    const ui::ViewNode& back = *std::get<ui::modifier::Background>(node.modifiers[2]).content;
    ui::LaidOutView view = laidOut(node, {10, 0, 10, 10});
    view.modifierContent[1] = laidOut(overlay, {15, 0, 10, 10});
    view.modifierContent[2] = laidOut(back, {0, 0, 30, 10});
    const Raster raster = paint(scene({30, 10}, view), 1);
    EXPECT_EQ(pixelAt(raster, 5, 5), (Pixel{255, 255, 255, 255}));
    EXPECT_EQ(pixelAt(raster, 12, 5), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(raster, 17, 5), (Pixel{0, 0, 255, 255}));
    EXPECT_EQ(pixelAt(raster, 27, 5), (Pixel{255, 255, 255, 255}));
}

TEST(EffectPainting, EffectsUseTheFrameOfTheirOwnLayer) {
    // A circle filled in its own 10-point box, then framed 30 wide and given a background:
    // the background spans the framed layer, the fill stays in the circle's box.
    ui::ViewNode node = ui::Circle().fill(red).frame(30, 10).background(ui::ColorView(blue));
    const ui::ViewNode& back = *std::get<ui::modifier::Background>(node.modifiers[2]).content;
    ui::LaidOutView view = laidOut(node, {0, 0, 30, 10});
    view.layerFrames = {{10, 0, 10, 10}, {10, 0, 10, 10}, {0, 0, 30, 10}, {0, 0, 30, 10}};
    view.modifierContent[2] = laidOut(back, {0, 0, 30, 10});
    const Raster raster = paint(scene({30, 10}, view), 1);
    EXPECT_EQ(pixelAt(raster, 15, 5), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(raster, 3, 5), (Pixel{0, 0, 255, 255}));
    EXPECT_EQ(pixelAt(raster, 10, 0), (Pixel{0, 0, 255, 255}));
}

TEST(EffectPainting, UnusableScalesAndSizesGiveAnEmptyRaster) {
    const ui::ViewNode node = ui::ColorView(red);
    for (double scale : {0.0, -1.0, std::nan(""), 1e9}) {
        const Raster raster = paint(scene({10, 10}, laidOut(node, {0, 0, 10, 10})), scale);
        EXPECT_EQ(raster.width, 0) << scale;
        EXPECT_TRUE(raster.pixels.empty());
    }
    EXPECT_EQ(paint(scene({0, 10}, laidOut(node, {0, 0, 0, 10})), 2).width, 0);
}

}  // namespace
}  // namespace sonaris::platform::render
