#include "widget/sonaris_widget.hpp"

#include "platform/cli/widget_main.hpp"
#include "platform/ui/views.hpp"
#include "state/widget_data_loader.hpp"
#include "timeline/sonaris_widget_provider.hpp"
#include "widget/sonaris_widget_entry_view.hpp"

namespace sonaris::widget {

using namespace platform::ui::literals;
using platform::ui::WidgetFamily;

platform::runtime::WidgetConfiguration SonarisWidget::body() const {
    // The runtime sets the family around each call of the content function, so the root view
    // reads it from the environment rather than being handed it.
    return platform::runtime::StaticConfiguration(kind, timeline::SonarisWidgetProvider(),
                                                  [](const timeline::SonarisEntry& entry) {
                                                      return SonarisWidgetEntryView(entry).body();
                                                  })
        .configurationDisplayName("Sonaris"_key)
        .description("Управление воспроизведением и быстрые студийные инструменты Tavrin."_key)
        .supportedFamilies(
            {WidgetFamily::systemSmall, WidgetFamily::systemMedium, WidgetFamily::systemLarge})
        // The live widget redraws as soon as the host rewrites its files in either place the
        // loader reads, instead of waiting out the reload date.
        .watchingHostFolders(&state::WidgetDataLoader::hostFolders);
}

int SonarisWidget::main(int argc, char** argv) {
    return platform::cli::widgetProgramMain<SonarisWidget>(argc, argv);
}

}  // namespace sonaris::widget
