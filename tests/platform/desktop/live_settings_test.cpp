#include "platform/desktop/live_settings.hpp"

#include <gtest/gtest.h>

#include "platform/runtime/scratch_folder.hpp"

namespace sonaris::platform::desktop {
namespace {

// An edit of the widget's table applies; an edit that changes nothing, or another widget's
// table, does not; a broken edit keeps the widget as it is and is said once, naming the line.
TEST(LiveSettings, AppliesEditsOfItsOwnTableAndKeepsThroughBrokenOnes) {
    testing::ScratchFolder folder;
    auto file = folder.path() / "widget.toml";
    folder.write("widget.toml", "[w]\nanchor = \"top\"\n");
    LiveWidgetOptions options{.name = "w"};
    auto first = std::get<LiveWidgetChoice>(chooseLiveWidget(options, file));
    LiveSettings settings(options, file, first);

    struct Step {
        std::string text;
        bool changes;
        const char* complaint;  // empty: none
    };
    const Step steps[] = {
        {"[w]\nanchor = \"top\"\n\n# a comment\n", false, ""},
        {"[w]\nanchor = \"top\"\n[other]\nfamily = \"large\"\n", false, ""},
        {"[w]\nanchor = \"bottom-right\"\nmargin = [10, 12]\n", true, ""},
        {"[w]\nanchor = \"bottom-right\"\nmargin = [10, 12\n", false, "widget.toml:3:"},
        {"[w]\nanchor = \"bottom-right\"\nmargin = [10, 12\n", false, ""},
        {"[w]\nanchor = \"bottom-right\"\nmargin = [10, 12]\nfamily = \"medium\"\n", true, ""},
        {"[w]\nfamily = \"medium\"\nscale = 0.01\n", false, "under 32 pixels"},
    };
    for (const auto& step : steps) {
        folder.write("widget.toml", step.text);
        auto reread = settings.reread();
        EXPECT_EQ(reread.changed.has_value(), step.changes) << step.text;
        EXPECT_EQ(reread.complaint.has_value(), *step.complaint != '\0') << step.text;
        if (reread.complaint) {
            EXPECT_NE(reread.complaint->find(step.complaint), std::string::npos)
                << *reread.complaint;
        }
    }
    EXPECT_EQ(settings.chosen().request.family, ui::WidgetFamily::systemMedium);
    EXPECT_EQ(settings.chosen().request.placement.anchor, Anchor::bottomRight);
    EXPECT_EQ(settings.chosen().request.placement.margin, (ui::Point{10, 12}));
}

}  // namespace
}  // namespace sonaris::platform::desktop
