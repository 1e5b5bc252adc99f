#pragma once

#include <functional>
#include <optional>

#include "platform/runtime/timeline.hpp"
#include "timeline/sonaris_entry.hpp"

namespace sonaris::timeline {

// Answers the runtime's requests with one entry each, read afresh from the host's files. It holds
// nothing, so the runtime may copy it and call it from any thread, several calls at once.
struct SonarisWidgetProvider {
    using Entry = SonarisEntry;
    using Context = platform::runtime::TimelineProviderContext;

    // Puts the built-in state's words into the user's language (the widget's labels' own
    // catalogue); unset: they stay as written.
    state::WidgetSharedState::TextTranslation translateDefault;

    // The default state and no cover, now, without touching any file.
    SonarisEntry placeholder(const Context& context) const;

    // The current entry, passed to `completion` once, before returning.
    void getSnapshot(const Context& context,
                     const std::function<void(SonarisEntry)>& completion) const;

    // A timeline of the current entry alone, to be reloaded 15 minutes later; passed to
    // `completion` once, before returning.
    void getTimeline(
        const Context& context,
        const std::function<void(platform::runtime::Timeline<SonarisEntry>)>& completion) const;

    // The provider has no opinion on how relevant its entries are.
    std::optional<platform::runtime::TimelineEntryRelevance> relevance() const {
        return std::nullopt;
    }
};

}  // namespace sonaris::timeline
