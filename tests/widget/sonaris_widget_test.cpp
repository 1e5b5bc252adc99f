#include <gtest/gtest.h>

#include "platform/ui/environment.hpp"
#include "state/widget_data_loader.hpp"
#include "state/widget_kind.hpp"
#include "views/entries.hpp"
#include "views/large_widget_view.hpp"
#include "views/medium_widget_view.hpp"
#include "views/small_widget_view.hpp"
#include "views/tree_query.hpp"
#include "widget/sonaris_widget.hpp"
#include "widget/sonaris_widget_entry_view.hpp"

namespace sonaris::widget {
namespace {

using namespace sonaris::testing;
using platform::ui::EnvironmentValues;
using platform::ui::ScopedEnvironment;
using platform::ui::WidgetFamily;

TEST(SonarisWidgetEntryView, DrawsTheLayoutOfTheFamilyBeingRendered) {
    const timeline::SonarisEntry entry = makeEntry(
        {.isPlaying = true, .duration = 200, .currentTime = 50, .recentTracks = {track("x")}});
    const std::string small = describe(views::SmallWidgetView{entry}.body());
    const std::string medium = describe(views::MediumWidgetView{entry}.body());
    const std::string large = describe(views::LargeWidgetView{entry}.body());
    ASSERT_NE(small, medium);
    ASSERT_NE(medium, large);

    struct Case {
        WidgetFamily family;
        const std::string& layout;
    };
    const Case cases[] = {
        {WidgetFamily::systemSmall, small},
        {WidgetFamily::systemMedium, medium},
        {WidgetFamily::systemLarge, large},
        // Sizes the widget does not declare still get a usable tile, not an empty view.
        {WidgetFamily::systemExtraLarge, small},
        {WidgetFamily::accessoryCircular, small},
        {WidgetFamily::accessoryRectangular, small},
        {WidgetFamily::accessoryInline, small},
    };
    const SonarisWidgetEntryView view(entry);
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.family));
        ScopedEnvironment scope(EnvironmentValues{.widgetFamily = c.family});
        // The same view, read again under another family, follows the environment.
        EXPECT_EQ(describe(view.body()), c.layout);
    }
}

TEST(SonarisWidget, DeclaresItsKindNameDescriptionAndFamilies) {
    const SonarisWidget widget;
    EXPECT_EQ(widget.kind, state::extensionBundleIdentifier);
    const auto configuration = widget.body();
    EXPECT_EQ(configuration.kind, "com.tavrin.sonaris.widget");
    EXPECT_EQ(configuration.displayName, "Sonaris");
    EXPECT_EQ(configuration.descriptionText,
              "Управление воспроизведением и быстрые студийные инструменты Tavrin.");
    EXPECT_EQ(configuration.families,
              (std::vector<WidgetFamily>{WidgetFamily::systemSmall, WidgetFamily::systemMedium,
                                         WidgetFamily::systemLarge}));
    // The live widget must watch every folder the state can be read from, not only the default.
    ASSERT_TRUE(configuration.hostFolders);
    EXPECT_EQ(configuration.hostFolders(), state::WidgetDataLoader::hostFolders());
}

TEST(SonarisWidget, PlaceholderIsDrawnInTheRequestedFamily) {
    const auto configuration = SonarisWidget().body();
    const auto entry = configuration.placeholder({});
    for (const auto family :
         {WidgetFamily::systemSmall, WidgetFamily::systemMedium, WidgetFamily::systemLarge}) {
        ScopedEnvironment scope(EnvironmentValues{.widgetFamily = family});
        const ViewNode tree = entry.view();
        const std::optional<std::string> url = widgetURLOf(tree);
        EXPECT_EQ(url, family == WidgetFamily::systemLarge
                           ? std::nullopt
                           : std::optional<std::string>("sonaris://play"));
        EXPECT_FALSE(findText(tree, "Готов к воспроизведению").empty());
    }
}

}  // namespace
}  // namespace sonaris::widget
