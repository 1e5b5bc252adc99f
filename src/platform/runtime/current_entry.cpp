#include "platform/runtime/current_entry.hpp"

#include <algorithm>

namespace sonaris::platform::runtime {

TimelineProviderContext contextFor(ui::WidgetFamily family, ui::Size size) {
    return {family, size, false};
}

std::optional<foundation::Date> liveReloadDate(const CurrentEntry& current, foundation::Date now) {
    constexpr double minimumReloadInterval = 60;
    auto earliest = now.addingTimeInterval(minimumReloadInterval);
    if (current.reloadDate && *current.reloadDate < earliest)
        return earliest;
    return current.reloadDate;
}

std::optional<foundation::Date> reloadDate(const AnyTimeline& timeline) {
    switch (timeline.policy.kind) {
        case TimelineReloadPolicy::Kind::after:
            return timeline.policy.date;
        case TimelineReloadPolicy::Kind::atEnd: {
            if (timeline.entries.empty())
                return std::nullopt;
            auto last = std::max_element(
                timeline.entries.begin(), timeline.entries.end(),
                [](const AnyEntry& a, const AnyEntry& b) { return a.date < b.date; });
            return last->date;
        }
        case TimelineReloadPolicy::Kind::never:
            return std::nullopt;
    }
    return std::nullopt;
}

CurrentEntry requestTimeline(const WidgetConfiguration& configuration,
                             const TimelineProviderContext& context, foundation::Date now) {
    AnyTimeline timeline = configuration.timeline(context);
    auto due = reloadDate(timeline);
    if (timeline.entries.empty())
        return {configuration.placeholder(context), due};

    AnyEntry* chosen = nullptr;
    for (auto& entry : timeline.entries)
        if (entry.date <= now && (!chosen || chosen->date <= entry.date))
            chosen = &entry;
    if (!chosen) {
        chosen = &*std::min_element(
            timeline.entries.begin(), timeline.entries.end(),
            [](const AnyEntry& a, const AnyEntry& b) { return a.date < b.date; });
    }
    return {std::move(*chosen), due};
}

}  // namespace sonaris::platform::runtime
