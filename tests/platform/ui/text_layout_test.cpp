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

// A one-line text shows what stands before its first line break, and an ellipsis for the rest,
// never a glyph for the break itself.
TEST(MakeTextLayout, OneLineTextEndsAtItsFirstLineBreak) {
    for (const char* breakText : {"\n", "\r\n", "\r", "\v", "\f", "\u0085", "\u2028", "\u2029"}) {
        const std::string text = std::string("first") + breakText + "second";
        auto unbounded = makeTextLayout(text, title, std::nullopt, 1);
        EXPECT_EQ(shownText(unbounded), "first\u2026") << breakText;
        auto narrow = makeTextLayout(text, title, 20, 1);
        EXPECT_TRUE(pango_layout_is_ellipsized(narrow.get())) << breakText;
        EXPECT_EQ(pango_layout_get_line_count(narrow.get()), 1);
    }
    // Wrapping text keeps its breaks.
    auto wrapped = makeTextLayout("first\nsecond", title, 200, std::nullopt);
    EXPECT_EQ(pango_layout_get_line_count(wrapped.get()), 2);
}

// Only what a widget can show is shaped, and what it shows is as if the whole text were set.
TEST(MakeTextLayout, AVeryLongTextIsCutOnlyWhereNoOneSeesIt) {
    const Size area{364, 382};
    const Size wide{10000, 10000};
    std::string huge;
    while (huge.size() < (1 << 20))
        huge += "Длинное название ";
    const std::string visible = huge.substr(0, 100 * 32);  // a hundred whole repeats
    struct Case {
        std::optional<double> width;
        std::optional<int> limit;
    };
    for (const Case& c : {Case{120, 1}, Case{std::nullopt, 1}, Case{150, 2}, Case{90, std::nullopt},
                          Case{std::nullopt, std::nullopt}}) {
        auto cut = makeTextLayout(huge, title, c.width, c.limit, area);
        EXPECT_LT(shownText(cut).size(), 64u * 1024);
        const Size measured = measureText(huge, title, {c.width, std::nullopt}, c.limit, area);
        // In a much larger area the start of the text is set whole.
        const Size uncut = measureText(visible, title, {c.width, std::nullopt}, c.limit, wide);
        if (c.limit) {
            EXPECT_EQ(measured.height, uncut.height);
            // Unbounded, a line is only known to reach past the area.
            EXPECT_EQ(measured.width, c.width ? uncut.width : std::max(measured.width, area.width));
        } else {
            // An unlimited text still fills whatever the widget can show of it.
            EXPECT_EQ(measured.width, c.width ? uncut.width : measured.width);
            EXPECT_GE(measured.width, c.width ? 0 : area.width);
            EXPECT_GE(measured.height, c.width ? area.height : uncut.height);
        }
        if (c.width && c.limit) {
            auto whole = makeTextLayout(visible, title, c.width, c.limit, wide);
            EXPECT_EQ(pango_layout_get_line_count(cut.get()),
                      pango_layout_get_line_count(whole.get()));
            EXPECT_TRUE(pango_layout_is_ellipsized(cut.get()));
        }
    }
}

// Fontconfig finds the CJK font the set-up installs: no character is left without a glyph.
TEST(MakeTextLayout, JapaneseAndKoreanTextsHaveRealGlyphs) {
    for (const char* text : {"夜に駆ける", "日本語のタイトル", "좋은 날", "한국어 노래"}) {
        auto layout = makeTextLayout(text, title, std::nullopt, 1);
        EXPECT_EQ(pango_layout_get_unknown_glyphs_count(layout.get()), 0) << text;
    }
}

// Cyrillic, Greek and emoji are set in the widget's own fonts, scripts they lack in the
// desktop's: either way no character is left without a glyph.
TEST(MakeTextLayout, EveryScriptAndEmojiHasRealGlyphs) {
    for (const char* text : {"Полёт над городом", "Ελληνικά", "🎵🔥✨", "مرحبا بالعالم", "हिन्दी गीत",
                             "เพลงไทย", "夜に駆ける 🎵 Полёт"}) {
        for (const Font& font :
             {title, Font::system(11, FontWeight::regular, FontDesign::rounded)}) {
            auto layout = makeTextLayout(text, font, std::nullopt, 1);
            EXPECT_EQ(pango_layout_get_unknown_glyphs_count(layout.get()), 0) << text;
        }
    }
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
