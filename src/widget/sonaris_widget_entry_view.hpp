#pragma once

#include "platform/ui/environment.hpp"
#include "platform/ui/view.hpp"
#include "timeline/sonaris_entry.hpp"

namespace sonaris::widget {

// The root view of every rendered entry: draws the entry in the layout of the family being
// rendered. It adds nothing of its own; each layout sets its own background and tap targets.
struct SonarisWidgetEntryView {
    explicit SonarisWidgetEntryView(timeline::SonarisEntry entry) : entry(std::move(entry)) {}

    timeline::SonarisEntry entry;
    // Read from the environment each time the body is built, never passed in.
    platform::ui::Environment<platform::ui::WidgetFamily> family{
        &platform::ui::EnvironmentValues::widgetFamily};

    platform::ui::ViewNode body() const;
};

}  // namespace sonaris::widget
