#include "timeline/sonaris_widget_provider.hpp"

#include "platform/foundation/calendar.hpp"
#include "state/widget_data_loader.hpp"

namespace sonaris::timeline {

namespace {

using platform::foundation::Calendar;
using platform::foundation::Date;
using state::WidgetDataLoader;

SonarisEntry currentEntry(const state::WidgetSharedState::TextTranslation& translateDefault) {
    auto state = WidgetDataLoader::loadState(translateDefault);
    // The cover files are tried whatever `hasArtwork` says, the default state included.
    auto artwork = WidgetDataLoader::loadArtworkImage(state.artworkBase64);
    // Dated after the reads, so the entry is no older than what it shows.
    return SonarisEntry{Date::now(), std::move(state), std::move(artwork)};
}

Date reloadDate() {
    if (auto date = Calendar::current().date(Calendar::Component::minute, 15, Date::now()))
        return *date;
    return Date::now().addingTimeInterval(900);
}

}  // namespace

SonarisEntry SonarisWidgetProvider::placeholder(const Context&) const {
    return SonarisEntry{Date::now(), state::WidgetSharedState::default_(translateDefault),
                        std::nullopt};
}

void SonarisWidgetProvider::getSnapshot(const Context&,
                                        const std::function<void(SonarisEntry)>& completion) const {
    completion(currentEntry(translateDefault));
}

void SonarisWidgetProvider::getTimeline(
    const Context&,
    const std::function<void(platform::runtime::Timeline<SonarisEntry>)>& completion) const {
    auto entry = currentEntry(translateDefault);
    const Date reload = reloadDate();
    platform::runtime::Timeline<SonarisEntry> timeline;
    timeline.entries.push_back(std::move(entry));
    timeline.policy = platform::runtime::TimelineReloadPolicy::after(reload);
    completion(std::move(timeline));
}

}  // namespace sonaris::timeline
