#include <gtest/gtest.h>

#include <cmath>

#include "entries.hpp"
#include "tree_query.hpp"
#include "views/large_lower_sections.hpp"
#include "views/large_widget_view.hpp"
#include "views/palette.hpp"

namespace sonaris::views {
namespace {

using namespace sonaris::testing;
using Strings = std::vector<std::string>;

ViewNode largeTree(const EntryShape& shape) {
    return LargeWidgetView{makeEntry(shape)}.body();
}

const ViewNode& column(const ViewNode& root) {
    return root.children[1];
}
const ViewNode& card(const ViewNode& root) {
    return column(root).children[0];
}
const ViewNode& cardColumn(const ViewNode& root) {
    return card(root).children[1];
}
const ViewNode& transportRow(const ViewNode& root) {
    return column(root).children[1];
}

TEST(LargeWidgetView, OnlyItsSixLinksOpenAnything) {
    for (const bool playing : {true, false}) {
        const ViewNode root =
            largeTree({.isPlaying = playing, .withCover = playing, .recentTracks = {track("a")}});
        EXPECT_TRUE(findAll(root, [](const ViewNode& n) {
                        return n.find<platform::ui::modifier::WidgetURL>() != nullptr;
                    }).empty());
        EXPECT_EQ(linkURLs(root), (Strings{"sonaris://prev", "sonaris://toggle", "sonaris://next",
                                           "sonaris://record-screen", "sonaris://record-audio",
                                           "sonaris://editor"}));
    }
}

TEST(LargeWidgetView, ColumnOrderDependsOnHistoryOnly) {
    const Strings upper{"HStack center 14", "HStack center 10", "Divider",
                        "Text \"ИНСТРУМЕНТЫ TAVRIN\" key", "HStack center 8"};
    struct Case {
        std::vector<state::WidgetTrackInfo> tracks;
        Strings shownTitles;
    };
    const Case cases[] = {
        {{}, {}},
        {{track("one")}, {"one"}},
        {{track("one"), track("two"), track("three"), track("four"), track("five")},
         {"one", "two"}},
        // Equal rows are still two rows, each drawn.
        {{track("same"), track("same"), track("other")}, {"same", "same"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tracks.size());
        const ViewNode root = largeTree({.recentTracks = c.tracks});
        EXPECT_EQ(headline(column(root)), "VStack leading 12");
        EXPECT_EQ(modifiersOf(column(root)), Strings{"padding(all 14)"});
        Strings expected = upper;
        if (!c.tracks.empty())
            expected.insert(expected.end(), {"Text \"ОЧЕРЕДЬ ИСТОРИИ\" key", "VStack center 4"});
        expected.push_back("Spacer 0");
        EXPECT_EQ(childHeadlines(column(root)), expected);

        const auto lists = findType(root, ViewType::ForEach);
        if (c.tracks.empty()) {
            EXPECT_TRUE(lists.empty());
            continue;
        }
        ASSERT_EQ(lists.size(), 1u);
        Strings titles;
        for (const auto& row : lists[0]->children)
            titles.push_back(*textOf(row.children[1]));
        EXPECT_EQ(titles, c.shownTitles);
        const auto& ids = std::get<platform::ui::content::ForEach>(lists[0]->content).ids;
        ASSERT_EQ(ids.size(), c.shownTitles.size());
        for (std::size_t i = 0; i < ids.size(); ++i)
            EXPECT_EQ(ids[i], std::hash<state::WidgetTrackInfo>{}(c.tracks[i]));
    }
}

TEST(LargeWidgetView, HistoryRowShowsTitleAndArtistOnly) {
    const ViewNode root =
        largeTree({.recentTracks = {{"Новая запись экрана", "Быстрое действие", "REC", "/tmp/x"}}});
    const ViewNode& row = findType(root, ViewType::ForEach)[0]->children.at(0);
    EXPECT_EQ(describe(row),
              "HStack center -\n"
              "  .padding(horizontal 8)\n"
              "  .padding(vertical 4)\n"
              "  .background(all)\n"
              "    Color rgba(1,1,1,0.04)\n"
              "  .clipShape(roundedRectangle 6)\n"
              "  Image music.note\n"
              "    .font(9 - -)\n"
              "    .foregroundColor(rgba(0.95,0.15,0.09,1))\n"
              "  Text \"Новая запись экрана\" verbatim\n"
              "    .font(11 - -)\n"
              "    .foregroundColor(rgba(1,1,1,1))\n"
              "    .lineLimit(1)\n"
              "  Spacer -\n"
              "  Text \"Быстрое действие\" verbatim\n"
              "    .font(9 - -)\n"
              "    .foregroundColor(rgba(0.6,0.6,0.6,1))\n");
}

TEST(LargeWidgetView, CardWithPictureOrPlaceholderAndNoShadow) {
    const Strings cardModifiers{"padding(all 10)", "background(all)",
                                "clipShape(roundedRectangle 12)", "overlay(center/center)"};
    for (const bool hasArtwork : {false, true}) {
        const ViewNode with = largeTree({.hasArtwork = hasArtwork, .withCover = true});
        EXPECT_EQ(headline(card(with)), "HStack center 14");
        EXPECT_EQ(modifiersOf(card(with)), cardModifiers);
        EXPECT_EQ(headline(*modifierViews(card(with))[0]), "Color " + describe(corvaCardBg()));
        const ViewNode& picture = card(with).children[0];
        EXPECT_EQ(headline(picture), "Image <cover>");
        EXPECT_EQ(
            modifiersOf(picture),
            (Strings{"resizable(0 stretch)", "aspectRatio(- fill)", "frame(72x72 center/center)",
                     "clipShape(roundedRectangle 12)", "overlay(center/center)"}));

        const ViewNode without = largeTree({.hasArtwork = hasArtwork, .withCover = false});
        EXPECT_EQ(describe(card(without).children[0]),
                  "Shape roundedRectangle 12\n"
                  "  .fill(rgba(0.09,0.09,0.12,1))\n"
                  "  .frame(72x72 center/center)\n"
                  "  .overlay(center/center)\n"
                  "    Shape roundedRectangle 12\n"
                  "      .stroke(rgba(1,1,1,0.08) 1)\n"
                  "  .overlay(center/center)\n"
                  "    Image music.note\n"
                  "      .font(26 - -)\n"
                  "      .foregroundColor(rgba(0.95,0.15,0.09,1))\n");
    }
}

TEST(LargeWidgetView, PlayStateSwitchesWaveformAndPlayButtonOnly) {
    struct Case {
        bool playing;
        Strings statusRow;
        Strings playButton;
    };
    const Case cases[] = {
        {true,
         {"Text \"СЕЙЧАС ИГРАЕТ\" key", "Spacer -", "Image waveform"},
         {"Image pause.fill", "Text \"Пауза\" key"}},
        {false,
         {"Text \"СЕЙЧАС ИГРАЕТ\" key", "Spacer -"},
         {"Image play.fill", "Text \"Играть\" key"}},
    };
    for (const auto& c : cases) {
        const ViewNode root = largeTree({.isPlaying = c.playing});
        EXPECT_EQ(childHeadlines(cardColumn(root).children[0]), c.statusRow);
        EXPECT_EQ(childHeadlines(transportRow(root).children[1].children[0]), c.playButton);
    }
    // Everything else is the same in both states.
    ViewNode playing = largeTree({.isPlaying = true});
    ViewNode paused = largeTree({.isPlaying = false});
    for (ViewNode* root : {&playing, &paused}) {
        auto& col = root->children[1];
        col.children[0].children[1].children[0].children.resize(2);
        col.children[1].children[1] = ViewNode{};
    }
    EXPECT_EQ(describe(playing), describe(paused));
}

TEST(LargeWidgetView, InfoColumnTextsAndBar) {
    struct Case {
        double duration;
        std::size_t children;
    };
    for (const auto& c : {Case{0, 3}, Case{-5, 3}, Case{std::nan(""), 3}, Case{200, 4}}) {
        const ViewNode root = largeTree({.title = "T", .artist = "A", .duration = c.duration});
        const ViewNode& info = cardColumn(root);
        EXPECT_EQ(headline(info), "VStack leading 4");
        ASSERT_EQ(info.children.size(), c.children) << c.duration;
        EXPECT_EQ(modifiersOf(info.children[0].children[0]),
                  (Strings{"font(9 bold -)", "foregroundColor(rgba(0.95,0.15,0.09,1))"}));
        EXPECT_EQ(modifiersOf(info.children[1]),
                  (Strings{"font(14 bold -)", "foregroundColor(rgba(1,1,1,1))", "lineLimit(1)"}));
        EXPECT_EQ(
            modifiersOf(info.children[2]),
            (Strings{"font(11 - -)", "foregroundColor(rgba(0.6,0.6,0.6,1))", "lineLimit(1)"}));
    }
}

TEST(LargeWidgetView, TransportButtonsAreWideTiles) {
    const ViewNode row = transportRow(largeTree({.isPlaying = false}));
    struct Case {
        Strings children;
        Strings fonts;
        platform::ui::Color background;
    };
    const Case cases[] = {
        {{"Image backward.fill", "Text \"Назад\" key"},
         {"font(12 - -)", "font(11 medium -)"},
         corvaCardBg()},
        {{"Image play.fill", "Text \"Играть\" key"},
         {"font(12 - -)", "font(11 bold -)"},
         corvaRuby()},
        {{"Text \"Вперёд\" key", "Image forward.fill"},
         {"font(11 medium -)", "font(12 - -)"},
         corvaCardBg()},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        const ViewNode& label = row.children[i].children.at(0);
        EXPECT_EQ(headline(label), "HStack center -");
        EXPECT_EQ(modifiersOf(label),
                  (Strings{"foregroundColor(rgba(1,1,1,1))",
                           "flexFrame(min -x30 ideal -x- max infx- center/center)",
                           "background(all)", "clipShape(roundedRectangle 8)"}));
        EXPECT_EQ(headline(*modifierViews(label)[0]), "Color " + describe(cases[i].background));
        EXPECT_EQ(childHeadlines(label), cases[i].children);
        EXPECT_EQ(
            (Strings{modifiersOf(label.children[0]).at(0), modifiersOf(label.children[1]).at(0)}),
            cases[i].fonts);
        EXPECT_EQ(label.children[0].modifiers.size() + label.children[1].modifiers.size(), 2u)
            << "the stack alone colours its children";
    }
}

TEST(LargeWidgetView, ToolsAreTheSameForEveryEntry) {
    const std::string tools = describe(ToolsRow());
    for (const auto& shape : {EntryShape{.isPlaying = true, .withCover = true},
                              EntryShape{.isPlaying = false, .duration = 5}}) {
        const ViewNode root = largeTree(shape);
        EXPECT_EQ(describe(column(root).children[2]),
                  "Divider\n  .background(all)\n    Color rgba(1,1,1,0.1)\n");
        EXPECT_EQ(describe(column(root).children[3]),
                  "Text \"ИНСТРУМЕНТЫ TAVRIN\" key\n  .font(9 bold -)\n"
                  "  .foregroundColor(rgba(1,1,1,0.5))\n");
        EXPECT_EQ(describe(column(root).children[4]), tools);
    }
    const ViewNode row = ToolsRow();
    struct Case {
        const char* icon;
        Strings iconModifiers;
        const char* text;
    };
    const Case cases[] = {
        {"Shape circle", {"fill(rgba(0.95,0.15,0.09,1))", "frame(8x8 center/center)"}, "Экран"},
        {"Image mic.fill", {"font(12 - -)", "foregroundColor(rgba(0.95,0.15,0.09,1))"}, "Аудио"},
        {"Image slider.horizontal.3", {"font(12 - -)", "foregroundColor(rgba(1,1,1,1))"}, "Монтаж"},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        const ViewNode& label = row.children[i].children.at(0);
        EXPECT_EQ(headline(label), "VStack center 4");
        EXPECT_EQ(
            modifiersOf(label),
            (Strings{"flexFrame(min -x46 ideal -x- max infx- center/center)", "background(all)",
                     "clipShape(roundedRectangle 8)", "overlay(center/center)"}));
        EXPECT_EQ(headline(label.children[0]), cases[i].icon);
        EXPECT_EQ(modifiersOf(label.children[0]), cases[i].iconModifiers);
        EXPECT_EQ(headline(label.children[1]), std::string("Text \"") + cases[i].text + "\" key");
        EXPECT_EQ(modifiersOf(label.children[1]),
                  (Strings{"font(10 semibold -)", "foregroundColor(rgba(1,1,1,1))"}));
    }
}

TEST(LargeWidgetView, DefaultStateWithoutCover) {
    const ViewNode root =
        LargeWidgetView{{{}, state::WidgetSharedState::default_(), std::nullopt}}.body();
    EXPECT_EQ(texts(root), (Strings{"СЕЙЧАС ИГРАЕТ", "Sonaris", "Готов к воспроизведению", "Назад",
                                    "Играть", "Вперёд", "ИНСТРУМЕНТЫ TAVRIN", "Экран", "Аудио",
                                    "Монтаж", "ОЧЕРЕДЬ ИСТОРИИ", "Новая запись экрана",
                                    "Быстрое действие", "Аудиозапись", "Быстрое действие"}));
    EXPECT_TRUE(findSymbol(root, "waveform").empty());
    EXPECT_TRUE(findType(root, ViewType::GeometryReader).empty());
}

}  // namespace
}  // namespace sonaris::views
