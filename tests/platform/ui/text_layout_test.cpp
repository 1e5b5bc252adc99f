#include "platform/ui/text_layout.hpp"

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <string>
#include <thread>

#include "platform/ui/symbols.hpp"

namespace sonaris::platform::ui {
namespace {

const Font title = Font::system(12, FontWeight::semibold);
const std::string longTitle = "A title far too long to stand on one line of a small widget";

std::string shownText(const PangoLayoutPtr& layout) {
    return pango_layout_get_text(layout.get());
}

TEST(MeasureText, OneLineOfTheFontsHeightAndNaturalWidth) {
    const Size size = measureText("Sonaris", title, {}, std::nullopt);
    EXPECT_GT(size.width, 30);
    EXPECT_LT(size.width, 70);
    EXPECT_GT(size.height, 12);
    EXPECT_LT(size.height, 18);
}

TEST(MeasureText, HeavierAndLargerFontsAreWider) {
    const double regular = measureText("Sonaris", Font::system(12), {}, std::nullopt).width;
    const double bold =
        measureText("Sonaris", Font::system(12, FontWeight::bold), {}, std::nullopt).width;
    const double larger = measureText("Sonaris", Font::system(24), {}, std::nullopt).width;
    EXPECT_GT(bold, regular);
    EXPECT_NEAR(larger, 2 * regular, 0.5);
}

TEST(MeasureText, OneLineLimitCutsToTheProposedWidthWithAnEllipsis) {
    const Size natural = measureText(longTitle, title, {}, 1);
    const Size cut = measureText(longTitle, title, {100, std::nullopt}, 1);
    EXPECT_GT(natural.width, 100);
    EXPECT_LE(cut.width, 100);
    EXPECT_GT(cut.width, 80);
    EXPECT_DOUBLE_EQ(cut.height, natural.height);
    auto layout = makeTextLayout(longTitle, title, 100, 1);
    EXPECT_TRUE(pango_layout_is_ellipsized(layout.get()));
    EXPECT_EQ(pango_layout_get_line_count(layout.get()), 1);
}

TEST(MeasureText, WithoutALimitTextWrapsAtTheProposedWidth) {
    const Size one = measureText(longTitle, title, {}, std::nullopt);
    const Size wrapped = measureText(longTitle, title, {100, std::nullopt}, std::nullopt);
    EXPECT_LE(wrapped.width, 100);
    EXPECT_GT(wrapped.height, 3 * one.height - 0.01);
}

TEST(MeasureText, TextThatFitsKeepsItsOwnWidth) {
    const Size natural = measureText("Sonaris", title, {}, 1);
    const Size offered = measureText("Sonaris", title, {300, 40}, 1);
    EXPECT_DOUBLE_EQ(offered.width, natural.width);
}

TEST(MakeTextLayout, StateTextIsNeverMarkup) {
    const std::string text = "<b>x</b> & y";
    auto layout = makeTextLayout(text, title, std::nullopt, 1);
    EXPECT_EQ(shownText(layout), text);
    EXPECT_EQ(pango_layout_get_attributes(layout.get()), nullptr);
}

TEST(MakeTextLayout, BrokenUtf8IsRepairedNotCut) {
    const std::string broken = std::string("ab\xC3") + "cd" + std::string(1, '\0') + "ef";
    auto layout = makeTextLayout(broken, title, std::nullopt, 1);
    const std::string shown = shownText(layout);
    EXPECT_EQ(shown.substr(0, 2), "ab");
    EXPECT_NE(shown.find("cd"), std::string::npos);
    EXPECT_NE(shown.find("ef"), std::string::npos);
}

TEST(MeasureText, AnyScriptMeasures) {
    for (const char* text : {"Готов к воспроизведению", "שלום עולם", "مرحبا", "日本語", "🎵🎶"}) {
        const Size size = measureText(text, title, {}, 1);
        EXPECT_GT(size.width, 5) << text;
        EXPECT_GT(size.height, 10) << text;
    }
}

TEST(MeasureText, SameOnEveryThread) {
    const Size here = measureText(longTitle, title, {120, std::nullopt}, 2);
    Size there;
    std::thread([&] { there = measureText(longTitle, title, {120, std::nullopt}, 2); }).join();
    EXPECT_EQ(here, there);
}

// The painter sets each text again at the width layout gave it; that must neither cut nor
// re-wrap it.
TEST(MakeTextLayout, SetAgainAtItsMeasuredWidthTheTextIsUnchanged) {
    struct Case {
        std::string text;
        std::optional<double> proposed;
        std::optional<int> limit;
    };
    const Case cases[] = {
        {"Sonaris", std::nullopt, 1}, {"Готов к воспроизведению", 150.3, 1},
        {longTitle, 100, 1},          {longTitle, 100, std::nullopt},
        {longTitle, 77.7, 2},         {"שלום עולם hello", std::nullopt, 1},
    };
    for (const Case& c : cases) {
        const Size measured = measureText(c.text, title, {c.proposed, std::nullopt}, c.limit);
        auto first = makeTextLayout(c.text, title, c.proposed, c.limit);
        auto again = makeTextLayout(c.text, title, measured.width, c.limit);
        PangoRectangle a{}, b{};
        pango_layout_get_extents(first.get(), nullptr, &a);
        pango_layout_get_extents(again.get(), nullptr, &b);
        EXPECT_EQ(a.width, b.width) << c.text;
        EXPECT_EQ(pango_layout_get_line_count(first.get()),
                  pango_layout_get_line_count(again.get()))
            << c.text;
        EXPECT_EQ(pango_layout_is_ellipsized(first.get()), pango_layout_is_ellipsized(again.get()))
            << c.text;
    }
}

TEST(MeasureText, DrawingAtAnotherScaleDoesNotChangeLaterMeasurements) {
    const Size before = measureText(longTitle, title, {140, std::nullopt}, std::nullopt);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 10, 10);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, 3, 3);
    auto layout = makeTextLayout(longTitle, title, 140, std::nullopt);
    pango_cairo_update_layout(cr, layout.get());
    pango_cairo_show_layout(cr, layout.get());
    PangoRectangle drawn{};
    pango_layout_get_extents(layout.get(), nullptr, &drawn);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    EXPECT_DOUBLE_EQ(static_cast<double>(drawn.width) / PANGO_SCALE, before.width);
    EXPECT_EQ(measureText(longTitle, title, {140, std::nullopt}, std::nullopt), before);
}

TEST(MeasureText, OneLineLimitKeepsTextWithLineBreaksOnOneLine) {
    const Size single = measureText("first", title, {}, 1);
    const Size broken = measureText("first\nsecond", title, {}, 1);
    EXPECT_DOUBLE_EQ(broken.height, single.height);
    auto layout = makeTextLayout("first\nsecond", title, std::nullopt, 1);
    EXPECT_EQ(pango_layout_get_line_count(layout.get()), 1);
}

TEST(SymbolSize, ScalesWithTheFontAndKnowsEachSymbol) {
    for (const char* name :
         {"waveform", "play.fill", "pause.fill", "backward.fill", "forward.fill", "music.note",
          "mic.fill", "slider.horizontal.3", "play.circle.fill", "no.such.symbol"}) {
        const Size small = symbolSize(name, Font::system(10));
        const Size large = symbolSize(name, Font::system(20));
        EXPECT_NEAR(large.width, 2 * small.width, 1e-9) << name;
        EXPECT_GE(small.height, 6) << name;
        EXPECT_LE(small.height, 11) << name;
    }
    EXPECT_GT(symbolSize("forward.fill", Font::system(11)).width,
              symbolSize("play.fill", Font::system(11)).width);
}

}  // namespace
}  // namespace sonaris::platform::ui
