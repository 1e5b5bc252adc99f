#pragma once

#include "platform/ui/view.hpp"
#include "timeline/sonaris_entry.hpp"

namespace sonaris::views {

// Cover beside the track's status, title, progress and five quick links; a tap outside the links
// opens the host's player.
struct MediumWidgetView {
    timeline::SonarisEntry entry;

    platform::ui::ViewNode body() const;
};

}  // namespace sonaris::views
