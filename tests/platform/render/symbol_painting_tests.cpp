#include <gtest/gtest.h>

#include "platform/ui/symbols.hpp"
#include "render_test_support.hpp"

namespace sonaris::platform::render {
namespace {

using namespace testing;
namespace ui = platform::ui;

struct Ink {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    long long coverage = 0;
    bool tinted = true;  // every inked pixel is the foreground colour, faded by coverage only
};

// Draws a symbol laid out as the layout engine sizes it, in the middle of a larger canvas.
Ink drawSymbolAlone(const std::string& name, double fontSize, Raster* out = nullptr) {
    const ui::Font font = ui::Font::system(fontSize);
    const ui::Size box = ui::symbolSize(name, font);
    const ui::ViewNode node = ui::Image(name);
    ui::LaidOutView view = laidOut(node, {10, 10, box.width, box.height});
    view.environment.font = font;
    view.environment.foregroundColor = ruby;
    const Raster raster = paint(scene({box.width + 20, box.height + 20}, view), 2);
    Ink ink;
    for (int y = 0; y < raster.height; ++y) {
        for (int x = 0; x < raster.width; ++x) {
            const Pixel p = pixelAt(raster, x, y);
            if (p.a == 0)
                continue;
            ink.left = std::min(ink.left, x);
            ink.top = std::min(ink.top, y);
            ink.right = std::max(ink.right, x + 1);
            ink.bottom = std::max(ink.bottom, y + 1);
            ink.coverage += p.a;
            if (std::abs(p.r - 242 * p.a / 255) > 2 || std::abs(p.g - 38 * p.a / 255) > 2 ||
                std::abs(p.b - 23 * p.a / 255) > 2)
                ink.tinted = false;
        }
    }
    if (out)
        *out = raster;
    return ink;
}

TEST(SymbolPainting, EveryKnownSymbolDrawsInsideItsBoxInTheForegroundColour) {
    const char* names[] = {"waveform",      "play.fill",           "pause.fill",
                           "backward.fill", "forward.fill",        "music.note",
                           "mic.fill",      "slider.horizontal.3", "play.circle.fill"};
    for (const char* name : names) {
        for (double fontSize : {10.0, 26.0}) {
            const Ink ink = drawSymbolAlone(name, fontSize);
            const ui::Size box = ui::symbolSize(name, ui::Font::system(fontSize));
            EXPECT_GT(ink.coverage, 0) << name;
            EXPECT_TRUE(ink.tinted) << name;
            EXPECT_GE(ink.left, 20 - 1) << name;
            EXPECT_GE(ink.top, 20 - 1) << name;
            EXPECT_LE(ink.right, 20 + box.width * 2 + 1) << name;
            EXPECT_LE(ink.bottom, 20 + box.height * 2 + 1) << name;
            // A glyph fills most of its box rather than sitting small in a corner of it.
            EXPECT_GT(ink.right - ink.left, box.width * 2 * 0.8) << name;
            EXPECT_GT(ink.bottom - ink.top, box.height * 2 * 0.8) << name;
        }
    }
}

TEST(SymbolPainting, UnknownNameDrawsNothing) {
    EXPECT_EQ(drawSymbolAlone("no.such.symbol", 20).coverage, 0);
    EXPECT_EQ(drawSymbolAlone("", 20).coverage, 0);
}

TEST(SymbolPainting, GlyphsHaveTheirCharacteristicShapes) {
    Raster raster;
    // The circled play glyph is a disc with the triangle knocked out.
    drawSymbolAlone("play.circle.fill", 36, &raster);
    const int mid = 20 + static_cast<int>(36 * 1.04);  // its centre, in pixels
    EXPECT_EQ(pixelAt(raster, mid, mid).a, 0);
    EXPECT_EQ(pixelAt(raster, mid, 20 + 4).a, 255);

    // Pause is two bars with a gap between them.
    drawSymbolAlone("pause.fill", 20, &raster);
    const double pauseWidth = ui::symbolSize("pause.fill", ui::Font::system(20)).width * 2;
    const int middleRow = 20 + 16;
    EXPECT_EQ(pixelAt(raster, 20 + static_cast<int>(pauseWidth / 2), middleRow).a, 0);
    EXPECT_EQ(pixelAt(raster, 20 + 4, middleRow).a, 255);
    EXPECT_EQ(pixelAt(raster, 20 + static_cast<int>(pauseWidth) - 4, middleRow).a, 255);

    // Play points right: tall at its left edge, a point at its right.
    drawSymbolAlone("play.fill", 20, &raster);
    int leftColumn = 0, rightColumn = 0;
    for (int y = 0; y < raster.height; ++y) {
        leftColumn += pixelAt(raster, 20 + 4, y).a > 128;
        rightColumn += pixelAt(raster, 20 + 22, y).a > 128;
    }
    EXPECT_GT(leftColumn, 3 * rightColumn);
}

}  // namespace
}  // namespace sonaris::platform::render
