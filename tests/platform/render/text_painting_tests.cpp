#include <gtest/gtest.h>

#include "platform/ui/text_layout.hpp"
#include "render_test_support.hpp"

namespace sonaris::platform::render {
namespace {

using namespace testing;
namespace ui = platform::ui;

struct InkSpan {
    int left = 1 << 30;
    int right = -1;
    int top = 1 << 30;
    int bottom = -1;
};

InkSpan inkOf(const Raster& raster) {
    InkSpan span;
    for (int y = 0; y < raster.height; ++y)
        for (int x = 0; x < raster.width; ++x)
            if (pixelAt(raster, x, y).a > 0) {
                span.left = std::min(span.left, x);
                span.right = std::max(span.right, x + 1);
                span.top = std::min(span.top, y);
                span.bottom = std::max(span.bottom, y + 1);
            }
    return span;
}

Raster drawText(const std::string& text, ui::Font font, ui::Rect frame, std::optional<int> limit,
                ui::Size canvas, double scale = 2) {
    const ui::ViewNode node = ui::Text(text);
    ui::LaidOutView view = laidOut(node, frame);
    view.environment.font = font;
    view.environment.lineLimit = limit;
    return paint(scene(canvas, view), scale);
}

TEST(TextPainting, OneLineTextEndsInAnEllipsisInsideItsFrame) {
    const std::string longTitle[] = {
        "A very long track title that cannot possibly fit in a small widget",
        "Очень длинное название трека, которое не помещается в виджет",
        "עברית ארוכה מאוד שלא נכנסת לשורה אחת בווידג׳ט הקטן",
    };
    for (const auto& text : longTitle) {
        const ui::Font font = ui::Font::system(12, ui::FontWeight::semibold);
        const ui::Size size = ui::measureText(text, font, {100, std::nullopt}, 1);
        const ui::Rect frame{20, 10, size.width, size.height};
        const Raster raster = drawText(text, font, frame, 1, {200, 40});
        const InkSpan ink = inkOf(raster);
        ASSERT_GT(ink.right, 0) << text;
        EXPECT_GE(ink.left, 40 - 1) << text;
        EXPECT_LE(ink.right, (20 + 100) * 2 + 1) << text;
        // One line: nothing drawn below the line box.
        EXPECT_LE(ink.bottom, static_cast<int>((10 + size.height) * 2) + 2) << text;
    }
}

TEST(TextPainting, TextWidthMatchesWhatWasMeasured) {
    // Measured and drawn at different scales, the line still fits its measured frame.
    const ui::Font font = ui::Font::system(11, ui::FontWeight::bold, ui::FontDesign::rounded);
    const std::string text = "Sonaris ВОСПРОИЗВЕДЕНИЕ";
    const ui::Size size = ui::measureText(text, font, {}, 1);
    for (double scale : {1.0, 2.0, 3.0}) {
        const Raster raster = drawText(text, font, {0, 0, size.width, size.height}, 1,
                                       {size.width + 20, size.height}, scale);
        const InkSpan ink = inkOf(raster);
        EXPECT_LE(ink.right, size.width * scale + 1) << scale;
        // Not ellipsized either: the ink reaches most of the way across.
        EXPECT_GT(ink.right, size.width * scale * 0.9) << scale;
    }
}

TEST(TextPainting, RepaintsFollowChangesOfWidthAndFont) {
    // Layouts are kept between paints; a text drawn again narrower or larger must not come back
    // as it was drawn before.
    const std::string text = "Новая запись экрана и ещё немного текста";
    const ui::Font font = ui::Font::system(11);
    const Raster wide = drawText(text, font, {0, 0, 190, 20}, 1, {200, 20});
    const Raster narrow = drawText(text, font, {0, 0, 60, 20}, 1, {200, 20});
    const Raster larger = drawText(text, ui::Font::system(15), {0, 0, 60, 20}, 1, {200, 20});
    EXPECT_GT(inkOf(wide).right, 300);
    EXPECT_LE(inkOf(narrow).right, 121);
    EXPECT_LE(inkOf(larger).right, 121);
    EXPECT_GT(inkOf(larger).bottom - inkOf(larger).top, inkOf(narrow).bottom - inkOf(narrow).top);
}

TEST(TextPainting, TextTakesTheForegroundColour) {
    const ui::ViewNode node = ui::Text(std::string("HHHH"));
    ui::LaidOutView view = laidOut(node, {0, 0, 60, 20});
    view.environment.font = ui::Font::system(18, ui::FontWeight::bold);
    view.environment.foregroundColor = ui::Color::rgb(0.95, 0.15, 0.09);
    const Raster raster = paint(scene({60, 20}, view), 2);
    int solid = 0;
    for (int y = 0; y < raster.height; ++y)
        for (int x = 0; x < raster.width; ++x)
            if (pixelAt(raster, x, y) == Pixel{242, 38, 23, 255})
                ++solid;
    EXPECT_GT(solid, 50);
}

TEST(TextPainting, EmptyTextDrawsNothing) {
    const Raster raster = drawText("", ui::Font::system(12), {0, 0, 40, 15}, 1, {40, 15});
    EXPECT_EQ(alphaSum(raster), 0);
}

}  // namespace
}  // namespace sonaris::platform::render
