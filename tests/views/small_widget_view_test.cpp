#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "entries.hpp"
#include "tree_query.hpp"
#include "views/palette.hpp"
#include "views/small_widget_view.hpp"

namespace sonaris::views {
namespace {

using namespace sonaris::testing;
using platform::ui::Color;
using Strings = std::vector<std::string>;

ViewNode smallTree(const EntryShape& shape) {
    return SmallWidgetView{makeEntry(shape)}.body();
}

// Root → content column (the last layer).
const ViewNode& contentColumn(const ViewNode& root) {
    return root.children.back();
}

TEST(SmallWidgetView, PlayStateSwitchesDotGlyphAndTapURL) {
    struct Case {
        bool isPlaying;
        Color dot, glow;
        const char* glyph;
        Color glyphColour;
        const char* url;
    };
    const Case cases[] = {
        {true, corvaRuby(), corvaRuby().opacity(0.8), "waveform", corvaRuby(), "sonaris://toggle"},
        {false, Color::gray().opacity(0.6), Color::clear(), "play.fill", Color::gray(),
         "sonaris://play"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.isPlaying ? "playing" : "paused");
        const ViewNode root = smallTree({.isPlaying = c.isPlaying});
        EXPECT_EQ(modifiersOf(root), Strings{std::string("widgetURL(") + c.url + ")"});

        const ViewNode& statusRow = contentColumn(root).children[0];
        EXPECT_EQ(headline(statusRow), "HStack center 6");
        ASSERT_EQ(statusRow.children.size(), 4u);
        const auto& [dot, brand, spacer, glyph] =
            std::tie(statusRow.children[0], statusRow.children[1], statusRow.children[2],
                     statusRow.children[3]);
        EXPECT_EQ(headline(dot), "Shape circle");
        EXPECT_EQ(modifiersOf(dot),
                  (Strings{"fill(" + describe(c.dot) + ")", "frame(7x7 center/center)",
                           "shadow(" + describe(c.glow) + " 4 0 0)"}));
        EXPECT_EQ(headline(brand), "Text \"Sonaris\" key");
        EXPECT_EQ(modifiersOf(brand),
                  (Strings{"font(11 bold rounded)", "foregroundColor(rgba(1,1,1,1))"}));
        EXPECT_EQ(headline(spacer), "Spacer -");
        EXPECT_EQ(headline(glyph), std::string("Image ") + c.glyph);
        EXPECT_EQ(
            modifiersOf(glyph),
            (Strings{"font(10 semibold -)", "foregroundColor(" + describe(c.glyphColour) + ")"}));
    }
}

TEST(SmallWidgetView, CoverPictureAloneDecidesBackdropAndThumbnail) {
    // The host's hasArtwork flag is not trusted: only a picture in the entry counts.
    for (const bool hasArtwork : {false, true}) {
        SCOPED_TRACE(hasArtwork);
        const ViewNode with = smallTree({.hasArtwork = hasArtwork, .withCover = true});
        ASSERT_EQ(with.children.size(), 3u);
        EXPECT_EQ(headline(with.children[0]), "Color " + describe(corvaDarkBg()));
        EXPECT_EQ(modifiersOf(with.children[0]), Strings{"ignoresSafeArea(all)"});
        const ViewNode& backdrop = with.children[1];
        EXPECT_EQ(headline(backdrop), "Image <cover>");
        EXPECT_EQ(modifiersOf(backdrop),
                  (Strings{"resizable(0 stretch)", "aspectRatio(- fill)", "opacity(0.18)",
                           "blur(12)", "clipped(aliased)"}));
        const ViewNode& coverRow = contentColumn(with).children[2];
        EXPECT_EQ(headline(coverRow), "HStack center -");
        ASSERT_EQ(coverRow.children.size(), 3u);
        const ViewNode& thumbnail = coverRow.children[1];
        EXPECT_EQ(headline(thumbnail), "Image <cover>");
        EXPECT_EQ(modifiersOf(thumbnail),
                  (Strings{"resizable(0 stretch)", "aspectRatio(- fill)",
                           "frame(54x54 center/center)", "clipShape(roundedRectangle 10)",
                           "overlay(center/center)", "shadow(rgba(0,0,0,0.5) 6 0 3)"}));
        EXPECT_EQ(describe(*modifierViews(thumbnail)[0]),
                  "Shape roundedRectangle 10\n  .stroke(rgba(1,1,1,0.08) 1)\n");

        const ViewNode without = smallTree({.hasArtwork = hasArtwork, .withCover = false});
        ASSERT_EQ(without.children.size(), 2u) << "no backdrop layer at all";
        EXPECT_EQ(describe(contentColumn(without).children[2]),
                  "HStack center -\n"
                  "  Spacer -\n"
                  "  ZStack center/center\n"
                  "    Shape roundedRectangle 10\n"
                  "      .fill(rgba(0.09,0.09,0.12,1))\n"
                  "      .frame(54x54 center/center)\n"
                  "      .overlay(center/center)\n"
                  "        Shape roundedRectangle 10\n"
                  "          .stroke(rgba(1,1,1,0.08) 1)\n"
                  "    Image music.note\n"
                  "      .font(20 - -)\n"
                  "      .foregroundColor(rgba(0.95,0.15,0.09,1))\n"
                  "  Spacer -\n");
    }
}

TEST(SmallWidgetView, ProgressBarOnlyWithAPositiveDuration) {
    struct Case {
        double duration;
        bool bar;
    };
    for (const auto& c :
         {Case{0, false}, Case{-10, false}, Case{std::nan(""), false}, Case{200, true}}) {
        SCOPED_TRACE(c.duration);
        const ViewNode column = contentColumn(smallTree({.duration = c.duration}));
        EXPECT_EQ(headline(column), "VStack leading 6");
        EXPECT_EQ(modifiersOf(column), Strings{"padding(all 12)"});
        Strings children;
        for (const auto& child : column.children)
            children.push_back(headline(child));
        Strings expected{"HStack center 6", "Spacer 4", "HStack center -", "Spacer 4",
                         "VStack leading 2"};
        if (c.bar)
            expected.push_back("GeometryReader");
        EXPECT_EQ(children, expected);
    }
}

TEST(SmallWidgetView, TitleAndArtistAreVerbatimOneLineEach) {
    for (const auto& [title, artist] :
         {std::pair{"Sonaris", "Готов к воспроизведению"}, std::pair{"", ""},
          std::pair{"%s \\n <b>", "ВОСПРОИЗВЕДЕНИЕ"}}) {
        const ViewNode block =
            contentColumn(smallTree({.title = title, .artist = artist})).children[4];
        ASSERT_EQ(block.children.size(), 2u);
        EXPECT_EQ(headline(block.children[0]), std::string("Text \"") + title + "\" verbatim");
        EXPECT_EQ(
            modifiersOf(block.children[0]),
            (Strings{"font(12 semibold -)", "foregroundColor(rgba(1,1,1,1))", "lineLimit(1)"}));
        EXPECT_EQ(headline(block.children[1]), std::string("Text \"") + artist + "\" verbatim");
        EXPECT_EQ(modifiersOf(block.children[1]),
                  (Strings{"font(10 regular -)", "foregroundColor(rgba(0.6,0.6,0.6,1))",
                           "lineLimit(1)"}));
    }
}

TEST(SmallWidgetView, HasNoLinksOfItsOwn) {
    EXPECT_TRUE(
        linkURLs(smallTree({.isPlaying = true, .duration = 10, .withCover = true})).empty());
}

TEST(SmallWidgetView, DefaultStateWithoutCover) {
    const ViewNode root =
        SmallWidgetView{{{}, state::WidgetSharedState::default_(), std::nullopt}}.body();
    EXPECT_EQ(widgetURLOf(root), "sonaris://play");
    EXPECT_EQ(root.children.size(), 2u);
    EXPECT_EQ(texts(root), (Strings{"Sonaris", "Sonaris", "Готов к воспроизведению"}));
    EXPECT_EQ(symbols(root), (Strings{"play.fill", "music.note"}));
    EXPECT_TRUE(findType(root, ViewType::GeometryReader).empty());
}

}  // namespace
}  // namespace sonaris::views
