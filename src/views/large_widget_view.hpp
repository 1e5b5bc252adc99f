#pragma once

#include "platform/ui/view.hpp"
#include "timeline/sonaris_entry.hpp"

namespace sonaris::views {

// The now-playing card, the transport buttons, the studio tools and the start of the history
// queue, hanging from the top. Only its six links open anything: a tap elsewhere opens nothing.
struct LargeWidgetView {
    timeline::SonarisEntry entry;

    platform::ui::ViewNode body() const;
};

}  // namespace sonaris::views
