#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/render/desktop_card.hpp"
#include "platform/ui/hit_test.hpp"
#include "platform/ui/layout.hpp"
#include "platform/ui/views.hpp"

namespace sonaris::platform::render {
namespace {

std::uint32_t wordAt(const Raster& raster, int x, int y) {
    std::uint32_t value;
    std::memcpy(&value, raster.pixels.data() + y * raster.stride + x * 4, 4);
    return value;
}

TEST(DesktopCard, CornersShowTheDesktopAndTheCardStaysWhole) {
    // A 170-point square at scale 2, opaque white throughout.
    Raster raster{340, 340, 340 * 4, std::vector<std::uint8_t>(340 * 340 * 4, 0xff)};
    clipToDesktopCard(raster, 2);
    for (auto [x, y] : {std::pair{0, 0}, {339, 0}, {0, 339}, {339, 339}, {6, 6}})
        EXPECT_EQ(wordAt(raster, x, y), 0u) << x << "," << y;
    for (auto [x, y] : {std::pair{170, 170}, {170, 0}, {0, 170}, {339, 170}, {60, 60}})
        EXPECT_EQ(wordAt(raster, x, y), 0xffffffffu) << x << "," << y;
    // The edge of a corner is smoothed: premultiplied, every channel at most its alpha.
    bool partial = false;
    for (int x = 0; x < 40; ++x) {
        std::uint32_t p = wordAt(raster, x, 4);
        std::uint32_t alpha = p >> 24;
        if (alpha > 0 && alpha < 255)
            partial = true;
        EXPECT_LE(p & 0xff, alpha);
    }
    EXPECT_TRUE(partial);

    const ui::Size widget{170, 170};
    EXPECT_FALSE(desktopCardContains(widget, {1, 1}));
    EXPECT_FALSE(desktopCardContains(widget, {169, 169}));
    EXPECT_FALSE(desktopCardContains(widget, {-1, 85}));
    EXPECT_FALSE(desktopCardContains(widget, {85, 170}));
    EXPECT_TRUE(desktopCardContains(widget, {85, 85}));
    EXPECT_TRUE(desktopCardContains(widget, {0.5, 85}));
    EXPECT_TRUE(desktopCardContains(widget, {20, 20}));
}

}  // namespace
}  // namespace sonaris::platform::render

namespace sonaris::platform::render {
namespace {

// A pressed control darkens over its own shape; the rest of the picture, and the control when
// not pressed, stay as drawn.
TEST(PressedControl, DarkensTheControlsOwnPixelsAlone) {
    auto url = *foundation::URL::string("sonaris://play");
    ui::ViewNode root =
        ui::ZStack(ui::Alignment::center(),
                   {ui::ColorView(ui::Color::white()).frame(40, 40),
                    ui::Link(url, ui::Circle().fill(ui::Color::white()).frame(20, 20))});
    auto laidOut = ui::layout(root, {40, 40}, 1);
    auto link = ui::linkAt(laidOut, {20, 20});
    ASSERT_TRUE(link);
    auto plain = paint(laidOut, 1);
    auto pressed = paint(laidOut, 1, link->frame);
    EXPECT_EQ(wordAt(plain, 20, 20), 0xffffffffu);
    std::uint32_t darkened = wordAt(pressed, 20, 20);
    EXPECT_EQ(darkened >> 24, 0xffu);
    EXPECT_LT(darkened & 0xff, 0xc0u);
    EXPECT_EQ(wordAt(pressed, 2, 2), 0xffffffffu) << "outside the control";
    EXPECT_EQ(wordAt(pressed, 11, 11), 0xffffffffu) << "in its frame, beside its circle";
    EXPECT_EQ(paint(laidOut, 1, ui::Rect{0, 0, 1, 1}).pixels, plain.pixels);
}

}  // namespace
}  // namespace sonaris::platform::render
