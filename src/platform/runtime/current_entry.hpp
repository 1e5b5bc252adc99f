#pragma once

#include <optional>

#include "platform/foundation/date.hpp"
#include "platform/runtime/widget_configuration.hpp"
#include "platform/ui/layout.hpp"

namespace sonaris::platform::runtime {

// What one timeline request leaves the runtime with: the entry to show now and when to ask again.
struct CurrentEntry {
    AnyEntry entry;
    std::optional<foundation::Date> reloadDate;  // unset: never
};

TimelineProviderContext contextFor(ui::WidgetFamily family, ui::Size size);

// Asks for a timeline and picks the entry due at `now`: the latest one dated no later, else the
// earliest. A provider that returns no entries gets its placeholder shown.
CurrentEntry requestTimeline(const WidgetConfiguration& configuration,
                             const TimelineProviderContext& context, foundation::Date now);

// When a timeline asks to be reloaded; unset when it never does.
std::optional<foundation::Date> reloadDate(const AnyTimeline& timeline);

// When a live widget asks again for the timeline it requested at `now`: its reload date, but
// never sooner than a minute later, so that a date already past does not loop.
std::optional<foundation::Date> liveReloadDate(const CurrentEntry& current, foundation::Date now);

// Builds the entry's view for the family and lays it out, showing the entry as it stands.
ui::LayoutResult layOut(const AnyEntry& entry, ui::WidgetFamily family, ui::Size size,
                        double scale);

// The same for a live widget drawn at `now`: views that move by themselves (a playing track's
// bar) show where they stand now and say when they next change by a whole device pixel.
struct LiveLayout {
    ui::LayoutResult laidOut;
    std::optional<foundation::Date> nextRedraw;  // unset: nothing moves by itself
};
LiveLayout layOutLive(const AnyEntry& entry, ui::WidgetFamily family, ui::Size size, double scale,
                      foundation::Date now);

}  // namespace sonaris::platform::runtime
