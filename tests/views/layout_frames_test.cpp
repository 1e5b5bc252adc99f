#include <gtest/gtest.h>

#include "entries.hpp"
#include "laid_out_query.hpp"
#include "platform/ui/hit_test.hpp"
#include "platform/ui/layout.hpp"
#include "tree_query.hpp"
#include "views/large_widget_view.hpp"
#include "views/medium_widget_view.hpp"
#include "views/small_widget_view.hpp"

namespace sonaris::views {
namespace {

using namespace sonaris::testing;
using platform::ui::layout;
using platform::ui::LayoutResult;
using platform::ui::Point;
using platform::ui::Rect;
using platform::ui::Size;

constexpr Size smallSize{170, 170};
constexpr Size mediumSize{364, 170};
constexpr Size largeSize{364, 382};

std::optional<std::string> tapAt(const LayoutResult& result, Point p) {
    const auto url = platform::ui::hitTest(result, p);
    if (!url)
        return std::nullopt;
    return url->absoluteString();
}

// The laid-out square cover block: the picture, or the placeholder's outer view.
const platform::ui::LaidOutView& coverOf(const LayoutResult& result, double side) {
    const auto found = findLaidOut(result, [side](const ViewNode& n) {
        const auto* frame = n.find<platform::ui::modifier::Frame>();
        return frame && frame->width == side && frame->height == side;
    });
    EXPECT_EQ(found.size(), 1u);
    return *found.at(0);
}

void expectNear(const Rect& actual, const Rect& expected) {
    EXPECT_NEAR(actual.x, expected.x, 0.01);
    EXPECT_NEAR(actual.y, expected.y, 0.01);
    EXPECT_NEAR(actual.width, expected.width, 0.01);
    EXPECT_NEAR(actual.height, expected.height, 0.01);
}

TEST(SmallLayout, ContentIsInsetAndCoverCentredBetweenStatusAndTitle) {
    for (const bool cover : {false, true}) {
        SCOPED_TRACE(cover);
        const LayoutResult result = layout(
            SmallWidgetView{makeEntry({.duration = 200, .currentTime = 100, .withCover = cover})}
                .body(),
            smallSize);
        const auto columns = findLaidOut(result, [](const ViewNode& n) {
            return n.type == ViewType::VStack && n.find<platform::ui::modifier::Padding>();
        });
        ASSERT_EQ(columns.size(), 1u);
        expectNear(columns[0]->layerFrames[0], {12, 12, 146, 146});
        const auto& column = columns[0]->children;
        ASSERT_EQ(column.size(), 6u);

        const Rect coverFrame = coverOf(result, 54).frame;
        EXPECT_NEAR(coverFrame.width, 54, 0.01);
        EXPECT_NEAR(coverFrame.center().x, 85, 0.01) << "centred across the tile";
        const double above = coverFrame.minY() - column[0].frame.maxY();
        const double below = column[4].frame.minY() - coverFrame.maxY();
        EXPECT_NEAR(above, below, 0.5) << "the two spacers share the height";

        const Rect bar = column[5].frame;
        expectNear(bar, {12, 155, 146, 3});
        const auto capsules = laidOutOfType(result, ViewType::Capsule);
        ASSERT_EQ(capsules.size(), 2u);
        EXPECT_NEAR(capsules[1]->frame.width, 73, 0.01) << "half the track";
        EXPECT_NEAR(capsules[1]->frame.x, 12, 0.01) << "flush with the track's start";
    }
}

TEST(SmallLayout, EveryTapOpensTheTileURL) {
    for (const bool playing : {true, false}) {
        const LayoutResult result =
            layout(SmallWidgetView{makeEntry({.isPlaying = playing})}.body(), smallSize);
        const char* expected = playing ? "sonaris://toggle" : "sonaris://play";
        for (const Point p : {Point{1, 1}, Point{85, 85}, Point{168, 168}, Point{20, 150}})
            EXPECT_EQ(tapAt(result, p), expected);
    }
}

TEST(MediumLayout, CoverAtLeadingEdgeAndLinksAlongTheBottom) {
    for (const bool cover : {false, true}) {
        SCOPED_TRACE(cover);
        const LayoutResult result = layout(
            MediumWidgetView{
                makeEntry(
                    {.isPlaying = true, .duration = 200, .currentTime = 50, .withCover = cover})}
                .body(),
            mediumSize);
        expectNear(coverOf(result, 96).frame, {14, 37, 96, 96});

        const auto links = laidOutLinks(result);
        ASSERT_EQ(links.size(), 5u);
        for (const auto* link : links)
            EXPECT_NEAR(link->frame.maxY(), 156, 0.01);
        EXPECT_NEAR(links[0]->frame.minX(), 124, 0.01) << "the info column starts after the cover";
        EXPECT_NEAR(links[4]->frame.maxX(), 350, 0.01) << "the microphone ends at the inset";
        EXPECT_NEAR(links[4]->frame.minX() - links[3]->frame.maxX(), 8, 0.01);
        EXPECT_NEAR(links[1]->frame.minX() - links[0]->frame.maxX(), 8, 0.01);
        const double widths[] = {28, 34, 28, -1, 24};
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_NEAR(links[i]->frame.height, 24, 0.01);
            if (widths[i] > 0) {
                EXPECT_NEAR(links[i]->frame.width, widths[i], 0.01);
            }
        }

        const auto capsules = laidOutOfType(result, ViewType::Capsule);
        ASSERT_EQ(capsules.size(), 2u);
        EXPECT_NEAR(capsules[0]->frame.width, 226, 0.01) << "the bar spans the column";
        EXPECT_NEAR(capsules[1]->frame.width, 226 / 4.0, 0.01);
    }
}

TEST(MediumLayout, TapsOpenTheLinkUnderThemElsePlay) {
    const LayoutResult result =
        layout(MediumWidgetView{makeEntry({.isPlaying = false})}.body(), mediumSize);
    const char* expected[] = {"sonaris://prev", "sonaris://toggle", "sonaris://next",
                              "sonaris://record-screen", "sonaris://record-audio"};
    const auto links = laidOutLinks(result);
    ASSERT_EQ(links.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(tapAt(result, links[i]->frame.center()), expected[i]);
    for (const Point p : {Point{2, 2}, Point{62, 85}, Point{250, 40}, Point{250, 144}})
        EXPECT_EQ(tapAt(result, p), "sonaris://play");
}

TEST(LargeLayout, CardAndButtonRowsSpanTheInsetWidth) {
    const LayoutResult result =
        layout(LargeWidgetView{makeEntry({.isPlaying = true,
                                          .duration = 10,
                                          .currentTime = 5,
                                          .recentTracks = {track("a"), track("b"), track("c")}})}
                   .body(),
               largeSize);
    const auto cards = findLaidOut(result, [](const ViewNode& n) {
        return n.type == ViewType::HStack && n.find<platform::ui::modifier::Padding>() &&
               n.find<platform::ui::modifier::Overlay>();
    });
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_NEAR(cards[0]->frame.x, 14, 0.01);
    EXPECT_NEAR(cards[0]->frame.y, 14, 0.01);
    EXPECT_NEAR(cards[0]->frame.width, 336, 0.01);
    EXPECT_NEAR(cards[0]->frame.height, 92, 0.01) << "the cover plus 10 above and below";
    const Rect cover = coverOf(result, 72).frame;
    EXPECT_NEAR(cover.x, 24, 0.01);
    EXPECT_NEAR(cover.center().y, cards[0]->frame.center().y, 0.01);

    const auto links = laidOutLinks(result);
    ASSERT_EQ(links.size(), 6u);
    for (const std::size_t first : {0u, 3u}) {
        const double gap = first == 0 ? 10 : 8;
        const double width = (336 - 2 * gap) / 3;
        for (std::size_t i = first; i < first + 3; ++i) {
            EXPECT_NEAR(links[i]->frame.width, width, 0.01) << i;
            EXPECT_GE(links[i]->frame.height, first == 0 ? 30 : 46) << i;
            EXPECT_NEAR(links[i]->frame.y, links[first]->frame.y, 0.01) << i;
        }
        EXPECT_NEAR(links[first]->frame.x, 14, 0.01);
        EXPECT_NEAR(links[first + 1]->frame.minX() - links[first]->frame.maxX(), gap, 0.01);
    }
    EXPECT_NEAR(links[0]->frame.minY() - cards[0]->frame.maxY(), 12, 0.01);

    const auto rows = laidOutOfType(result, ViewType::ForEach);
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0]->children.size(), 2u);
    for (const auto& row : rows[0]->children)
        EXPECT_NEAR(row.frame.width, 336, 0.01);
    EXPECT_NEAR(rows[0]->children[1].frame.minY() - rows[0]->children[0].frame.maxY(), 4, 0.01);
}

TEST(LargeLayout, OnlyTheLinksAnswerTaps) {
    const LayoutResult result =
        layout(LargeWidgetView{makeEntry({.recentTracks = {track("a")}})}.body(), largeSize);
    EXPECT_FALSE(result.widgetURL);
    const char* expected[] = {"sonaris://prev",         "sonaris://toggle",
                              "sonaris://next",         "sonaris://record-screen",
                              "sonaris://record-audio", "sonaris://editor"};
    const auto links = laidOutLinks(result);
    ASSERT_EQ(links.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(tapAt(result, links[i]->frame.center()), expected[i]);
    const auto rows = laidOutOfType(result, ViewType::ForEach);
    ASSERT_EQ(rows.size(), 1u);
    for (const Point p :
         {Point{2, 2}, Point{182, 60}, rows[0]->children[0].frame.center(), Point{182, 370}})
        EXPECT_EQ(tapAt(result, p), std::nullopt);
}

}  // namespace
}  // namespace sonaris::views

namespace sonaris::views {
namespace {

std::vector<platform::ui::Rect> allFrames(const platform::ui::LayoutResult& result) {
    std::vector<platform::ui::Rect> frames;
    visitLaidOut(result.tree, [&](const platform::ui::LaidOutView& view) {
        frames.insert(frames.end(), view.layerFrames.begin(), view.layerFrames.end());
    });
    return frames;
}

// Texts far longer than a widget shows are laid out as the same texts cut long before their
// end: no frame moves, in any family, for titles, artists and history rows alike.
TEST(EveryLayout, AMegabyteOfTextLaysOutAsAFewHundredCharacters) {
    std::string huge;
    while (huge.size() < (1 << 20))
        huge += "Длинное название ";
    const std::string longer = huge.substr(0, 4000 * 32);
    const auto entryWith = [](const std::string& text) {
        return makeEntry({.isPlaying = true,
                          .title = text,
                          .artist = text,
                          .duration = 200,
                          .currentTime = 50,
                          .recentTracks = {track(text, text), track("Row", text)}});
    };
    const auto hugeEntry = entryWith(huge);
    const auto longEntry = entryWith(longer);
    EXPECT_EQ(allFrames(layout(SmallWidgetView{hugeEntry}.body(), smallSize)),
              allFrames(layout(SmallWidgetView{longEntry}.body(), smallSize)));
    EXPECT_EQ(allFrames(layout(MediumWidgetView{hugeEntry}.body(), mediumSize)),
              allFrames(layout(MediumWidgetView{longEntry}.body(), mediumSize)));
    EXPECT_EQ(allFrames(layout(LargeWidgetView{hugeEntry}.body(), largeSize)),
              allFrames(layout(LargeWidgetView{longEntry}.body(), largeSize)));
}

// A title of megabytes is held once: every family's tree, and the layout of it, shows the
// state's own text rather than a copy.
TEST(LayoutFrames, EveryFamilyShowsTheStatesTitleWithoutCopyingIt) {
    const auto entry = makeEntry({.title = std::string(1 << 20, 'x')});
    const char* title = entry.state.title.data();
    for (const ViewNode& tree : {SmallWidgetView{entry}.body(), MediumWidgetView{entry}.body(),
                                 LargeWidgetView{entry}.body()}) {
        const auto shown = findAll(tree, [](const ViewNode& node) {
            const auto* text = std::get_if<platform::ui::content::Text>(&node.content);
            return text && text->string.size() == (1u << 20);
        });
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(std::get<platform::ui::content::Text>(shown.front()->content).string.data(),
                  title);
    }
}

}  // namespace
}  // namespace sonaris::views
