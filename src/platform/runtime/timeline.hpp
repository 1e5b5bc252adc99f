#pragma once

#include <optional>
#include <vector>

#include "platform/foundation/date.hpp"
#include "platform/ui/environment.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::runtime {

// When the runtime asks for the next timeline.
struct TimelineReloadPolicy {
    enum class Kind { atEnd, after, never };
    Kind kind = Kind::atEnd;
    std::optional<foundation::Date> date;  // with `after`

    static TimelineReloadPolicy atEnd() { return {Kind::atEnd, std::nullopt}; }
    static TimelineReloadPolicy after(foundation::Date date) { return {Kind::after, date}; }
    static TimelineReloadPolicy never() { return {Kind::never, std::nullopt}; }
    bool operator==(const TimelineReloadPolicy&) const = default;
};

template <class Entry>
struct Timeline {
    std::vector<Entry> entries;
    TimelineReloadPolicy policy;
};

// What the runtime tells a provider about the widget it asks for.
struct TimelineProviderContext {
    ui::WidgetFamily family = ui::WidgetFamily::systemSmall;
    ui::Size displaySize;
    bool isPreview = false;
};

// How relevant an entry is to show; providers that say nothing leave it unset.
struct TimelineEntryRelevance {
    double score = 0;
};

}  // namespace sonaris::platform::runtime
