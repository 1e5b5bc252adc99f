#include <gtest/gtest.h>

#include <cmath>

#include "entries.hpp"
#include "tree_query.hpp"
#include "views/medium_widget_view.hpp"
#include "views/palette.hpp"

namespace sonaris::views {
namespace {

using namespace sonaris::testing;
using platform::ui::Color;
using Strings = std::vector<std::string>;

ViewNode mediumTree(const EntryShape& shape) {
    return MediumWidgetView{makeEntry(shape)}.body();
}

const ViewNode& contentRow(const ViewNode& root) {
    return root.children[1];
}
const ViewNode& coverBlock(const ViewNode& root) {
    return contentRow(root).children[0];
}
const ViewNode& infoColumn(const ViewNode& root) {
    return contentRow(root).children[1];
}
const ViewNode& linkRow(const ViewNode& root) {
    return infoColumn(root).children.back();
}

TEST(MediumWidgetView, RootIsBackgroundAndInsetRowWithPlayAsTapURL) {
    const ViewNode root = mediumTree({.isPlaying = true});
    EXPECT_EQ(headline(root), "ZStack center/center");
    EXPECT_EQ(modifiersOf(root), Strings{"widgetURL(sonaris://play)"});
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(describe(root.children[0]),
              "Color " + describe(corvaDarkBg()) + "\n  .ignoresSafeArea(all)\n");
    EXPECT_EQ(headline(contentRow(root)), "HStack center 14");
    EXPECT_EQ(modifiersOf(contentRow(root)), Strings{"padding(all 14)"});
}

TEST(MediumWidgetView, PlayStateSwitchesDotPlayingTextAndToggleSymbol) {
    for (const bool playing : {true, false}) {
        SCOPED_TRACE(playing);
        const ViewNode root = mediumTree({.isPlaying = playing});
        const ViewNode& status = infoColumn(root).children[0];
        EXPECT_EQ(headline(status), "HStack center -");
        const ViewNode& dotAndBrand = status.children[0];
        EXPECT_EQ(headline(dotAndBrand), "HStack center 5");
        const Color dot = playing ? corvaRuby() : Color::gray().opacity(0.5);
        EXPECT_EQ(modifiersOf(dotAndBrand.children[0]),
                  (Strings{"fill(" + describe(dot) + ")", "frame(6x6 center/center)"}));
        EXPECT_EQ(headline(dotAndBrand.children[1]), "Text \"Sonaris\" key");
        EXPECT_EQ(
            modifiersOf(dotAndBrand.children[1]),
            (Strings{"font(10 bold rounded)", "foregroundColor(" + describe(corvaRuby()) + ")"}));

        if (playing) {
            ASSERT_EQ(status.children.size(), 3u);
            EXPECT_EQ(describe(status.children[2]),
                      "Text \"ВОСПРОИЗВЕДЕНИЕ\" key\n  .font(8 bold -)\n"
                      "  .foregroundColor(rgba(1,1,1,0.4))\n");
        } else {
            EXPECT_EQ(childHeadlines(status), (Strings{"HStack center 5", "Spacer -"}));
        }
        const ViewNode& toggle = linkRow(root).children[1];
        EXPECT_EQ(symbols(toggle), Strings{playing ? "pause.fill" : "play.fill"});
    }
}

TEST(MediumWidgetView, CoverBlockPictureOrGradientPlaceholder) {
    for (const bool hasArtwork : {false, true}) {
        const ViewNode withCover =
            coverBlock(mediumTree({.hasArtwork = hasArtwork, .withCover = true}));
        EXPECT_EQ(headline(withCover), "ZStack center/center");
        ASSERT_EQ(withCover.children.size(), 1u);
        EXPECT_EQ(headline(withCover.children[0]), "Image <cover>");
        EXPECT_EQ(modifiersOf(withCover.children[0]),
                  (Strings{"resizable(0 stretch)", "aspectRatio(- fill)",
                           "frame(96x96 center/center)", "clipShape(roundedRectangle 12)",
                           "overlay(center/center)", "shadow(rgba(0,0,0,0.5) 8 0 4)"}));

        const ViewNode placeholder =
            coverBlock(mediumTree({.hasArtwork = hasArtwork, .withCover = false}));
        EXPECT_EQ(describe(placeholder),
                  "ZStack center/center\n"
                  "  Shape roundedRectangle 12\n"
                  "    .fill(gradient(rgba(0.09,0.09,0.12,1) rgba(0,0,0,1) 0,0->1,1))\n"
                  "    .frame(96x96 center/center)\n"
                  "    .overlay(center/center)\n"
                  "      Shape roundedRectangle 12\n"
                  "        .stroke(rgba(1,1,1,0.08) 1)\n"
                  "    .overlay(center/center)\n"
                  "      Image play.circle.fill\n"
                  "        .font(36 - -)\n"
                  "        .foregroundColor(rgba(0.95,0.15,0.09,1))\n");
    }
}

TEST(MediumWidgetView, InfoColumnHasABarOnlyWithAPositiveDuration) {
    struct Case {
        double duration;
        bool bar;
    };
    for (const auto& c :
         {Case{0, false}, Case{-1, false}, Case{std::nan(""), false}, Case{200, true}}) {
        const ViewNode column = infoColumn(mediumTree({.duration = c.duration, .currentTime = 50}));
        EXPECT_EQ(headline(column), "VStack leading 6");
        Strings expected{"HStack center -", "VStack leading 2"};
        if (c.bar)
            expected.push_back("GeometryReader");
        expected.insert(expected.end(), {"Spacer 2", "HStack center 8"});
        EXPECT_EQ(childHeadlines(column), expected) << c.duration;
    }
}

TEST(MediumWidgetView, TitleBlockIsVerbatimOneLineEach) {
    const ViewNode column = infoColumn(mediumTree({.title = "", .artist = "Кто-то"}));
    EXPECT_EQ(describe(column.children[1]),
              "VStack leading 2\n"
              "  Text \"\" verbatim\n"
              "    .font(13 bold -)\n"
              "    .foregroundColor(rgba(1,1,1,1))\n"
              "    .lineLimit(1)\n"
              "  Text \"Кто-то\" verbatim\n"
              "    .font(11 - -)\n"
              "    .foregroundColor(rgba(0.6,0.6,0.6,1))\n"
              "    .lineLimit(1)\n");
}

TEST(MediumWidgetView, LinkRowHoldsFiveLinksAroundASpacer) {
    const ViewNode row = linkRow(mediumTree({.isPlaying = true}));
    EXPECT_EQ(childHeadlines(row),
              (Strings{"Link sonaris://prev", "Link sonaris://toggle", "Link sonaris://next",
                       "Spacer -", "Link sonaris://record-screen", "Link sonaris://record-audio"}));

    struct Button {
        std::size_t index;
        const char* symbol;
        const char* font;
        const char* frame;
        Color background;
    };
    const Color faint = Color::white().opacity(0.08);
    for (const auto& b :
         {Button{0, "backward.fill", "font(11 - -)", "frame(28x24 center/center)", faint},
          Button{1, "pause.fill", "font(12 - -)", "frame(34x24 center/center)", corvaRuby()},
          Button{2, "forward.fill", "font(11 - -)", "frame(28x24 center/center)", faint},
          Button{5, "mic.fill", "font(10 - -)", "frame(24x24 center/center)", faint}}) {
        SCOPED_TRACE(b.symbol);
        const ViewNode& label = row.children[b.index].children.at(0);
        EXPECT_EQ(headline(label), std::string("Image ") + b.symbol);
        EXPECT_EQ(modifiersOf(label),
                  (Strings{b.font, "foregroundColor(rgba(1,1,1,1))", b.frame, "background(all)",
                           "clipShape(roundedRectangle 6)"}));
        EXPECT_EQ(headline(*modifierViews(label)[0]), "Color " + describe(b.background));
    }

    EXPECT_EQ(describe(row.children[4].children.at(0)),
              "HStack center 3\n"
              "  .padding(horizontal 6)\n"
              "  .frame(-x24 center/center)\n"
              "  .background(all)\n"
              "    Color rgba(1,1,1,0.08)\n"
              "  .clipShape(roundedRectangle 6)\n"
              "  Shape circle\n"
              "    .fill(rgba(0.95,0.15,0.09,1))\n"
              "    .frame(5x5 center/center)\n"
              "  Text \"REC\" key\n"
              "    .font(9 bold -)\n"
              "    .foregroundColor(rgba(1,1,1,1))\n");
}

TEST(MediumWidgetView, DefaultStateWithoutCover) {
    const ViewNode root =
        MediumWidgetView{{{}, state::WidgetSharedState::default_(), std::nullopt}}.body();
    EXPECT_EQ(texts(root), (Strings{"Sonaris", "Sonaris", "Готов к воспроизведению", "REC"}));
    EXPECT_EQ(symbols(root), (Strings{"play.circle.fill", "backward.fill", "play.fill",
                                      "forward.fill", "mic.fill"}));
    EXPECT_TRUE(findType(root, ViewType::GeometryReader).empty());
}

}  // namespace
}  // namespace sonaris::views
