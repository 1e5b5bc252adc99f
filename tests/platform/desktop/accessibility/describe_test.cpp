#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/desktop/accessibility/describe.hpp"
#include "platform/desktop/accessibility/node_identity.hpp"
#include "platform/ui/message_catalogue.hpp"
#include "views/entries.hpp"
#include "views/large_widget_view.hpp"
#include "views/medium_widget_view.hpp"
#include "views/small_widget_view.hpp"

namespace sonaris::platform::desktop::accessibility {
namespace {

using namespace sonaris::testing;

ui::LayoutResult laidOut(const std::string& family, const timeline::SonarisEntry& entry) {
    if (family == "small")
        return ui::layout(views::SmallWidgetView{entry}.body(), {170, 170});
    if (family == "medium")
        return ui::layout(views::MediumWidgetView{entry}.body(), {364, 170});
    return ui::layout(views::LargeWidgetView{entry}.body(), {364, 382});
}

std::vector<std::string> namesOf(const DescribedWidget& described, Role role) {
    std::vector<std::string> names;
    for (const auto& node : described.tree.nodes)
        if (node.role == role)
            names.push_back(node.name);
    return names;
}

class Describe : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        setenv("LANGUAGE", "en", 1);
        setenv("LC_ALL", "C.UTF-8", 1);
        ui::bindMessageCatalogue(SONARIS_LOCALE_FOLDER);
    }
};

// Each family's controls are buttons named in the desktop's language, in reading order, each
// with the link a tap on it opens; the texts are labels, the progress a bar with the position.
TEST_F(Describe, EachFamilyReadsAsItsTextsControlsAndProgress) {
    struct Case {
        std::string family;
        bool playing;
        std::vector<std::string> buttons;
        std::vector<std::string> links;
    };
    const std::vector<Case> cases = {
        {"small", true, {"Pause"}, {"sonaris://toggle"}},
        {"small", false, {"Play"}, {"sonaris://play"}},
        {"medium",
         true,
         {"Previous", "Pause", "Next", "Record screen", "Record audio"},
         {"sonaris://prev", "sonaris://toggle", "sonaris://next", "sonaris://record-screen",
          "sonaris://record-audio"}},
        {"large",
         false,
         {"Previous", "Play", "Next", "Record screen", "Record audio", "Editor"},
         {"sonaris://prev", "sonaris://toggle", "sonaris://next", "sonaris://record-screen",
          "sonaris://record-audio", "sonaris://editor"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.family);
        const auto entry = makeEntry({.isPlaying = c.playing,
                                      .title = "Song",
                                      .artist = "Band",
                                      .duration = 200,
                                      .currentTime = 50});
        const auto result = laidOut(c.family, entry);
        const auto described = describe(result, "Sonaris Widget");
        const auto& nodes = described.tree.nodes;

        ASSERT_FALSE(nodes.empty());
        EXPECT_EQ(nodes[0].role, Role::card);
        EXPECT_EQ(nodes[0].name, "Sonaris Widget");
        EXPECT_EQ(namesOf(described, Role::button), c.buttons);
        std::vector<std::string> links;
        for (std::size_t index = 0; index < nodes.size(); ++index) {
            EXPECT_EQ(nodes[index].role == Role::button, described.links[index].has_value());
            if (described.links[index])
                links.push_back(described.links[index]->absoluteString());
        }
        EXPECT_EQ(links, c.links);

        const auto labels = namesOf(described, Role::label);
        EXPECT_NE(std::find(labels.begin(), labels.end(), "Song"), labels.end());
        EXPECT_NE(std::find(labels.begin(), labels.end(), "Band"), labels.end());
        const auto bar = std::find_if(nodes.begin(), nodes.end(),
                                      [](const auto& n) { return n.role == Role::progressBar; });
        ASSERT_NE(bar, nodes.end());
        EXPECT_EQ(bar->progress, (Progress{50, 200}));

        // Every node lies on the card and comes after its parent.
        for (std::size_t index = 1; index < nodes.size(); ++index) {
            const auto& f = nodes[index].frame;
            EXPECT_TRUE(f.x >= 0 && f.y >= 0 && f.x + f.width <= nodes[0].frame.width + 1e-9 &&
                        f.y + f.height <= nodes[0].frame.height + 1e-9)
                << nodes[index].name;
            ASSERT_TRUE(nodes[index].parent);
            EXPECT_LT(*nodes[index].parent, index);
        }
    }
}

// A history row is read as one label; a new title renames the same label, and rows that come
// add identities without disturbing the others.
TEST_F(Describe, RowsAreOneLabelAndIdentitiesSurviveChanges) {
    const auto before =
        describe(laidOut("large", makeEntry({.title = "One", .duration = 100, .currentTime = 10})),
                 "Sonaris Widget");
    const auto after =
        describe(laidOut("large", makeEntry({.title = "Two",
                                             .duration = 100,
                                             .currentTime = 20,
                                             .recentTracks = {track("Old Song", "Old Band"),
                                                              track("Older", "Someone")}})),
                 "Sonaris Widget");
    const auto rows = namesOf(after, Role::label);
    EXPECT_NE(std::find(rows.begin(), rows.end(), "Old Song, Old Band"), rows.end());
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "Old Song"), 0);

    const auto old = nodeIdentities(before.tree);
    const auto now = nodeIdentities(after.tree);
    std::size_t kept = 0;
    for (std::size_t index = 0; index < before.tree.nodes.size(); ++index) {
        auto found = std::find(now.begin(), now.end(), old[index]);
        ASSERT_NE(found, now.end()) << old[index];
        ++kept;
        const auto& was = before.tree.nodes[index];
        const auto& is = after.tree.nodes[static_cast<std::size_t>(found - now.begin())];
        EXPECT_EQ(was.role, is.role);
        if (was.name == "One") {
            EXPECT_EQ(is.name, "Two");
        }
    }
    EXPECT_EQ(kept, before.tree.nodes.size());
    EXPECT_GT(now.size(), old.size());
    std::vector<std::string> unique = now;
    std::sort(unique.begin(), unique.end());
    EXPECT_EQ(std::unique(unique.begin(), unique.end()), unique.end());
}

}  // namespace
}  // namespace sonaris::platform::desktop::accessibility
