#pragma once

#include "platform/ui/view.hpp"
#include "timeline/sonaris_entry.hpp"

namespace sonaris::views {

// The compact now-playing tile. The whole tile is one tap target that resumes playback, or
// toggles it while something plays; it has no links of its own.
struct SmallWidgetView {
    timeline::SonarisEntry entry;

    platform::ui::ViewNode body() const;
};

}  // namespace sonaris::views
