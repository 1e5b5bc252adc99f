#pragma once

#include <vector>

#include "host/players/player_watcher.hpp"
#include "platform/foundation/date.hpp"
#include "state/widget_shared_state.hpp"
#include "state/widget_track_info.hpp"

namespace sonaris::host::daemon {

// Every text below is free of control characters (see withoutControlCharacters).

// The history row a track leaves behind.
state::WidgetTrackInfo trackRow(const players::TrackMetadata& track);

// The title to show: xesam:title, else the file name of xesam:url.
std::string trackTitle(const players::TrackMetadata& track);

// The widget's state for a player, as it stands at `now`.
state::WidgetSharedState composeState(const players::WatchedPlayer& player,
                                      players::SteadyClock::time_point now,
                                      const std::vector<state::WidgetTrackInfo>& history,
                                      bool hasArtwork, platform::foundation::Date updatedAt);

// Whether `next` would show the same as `written`, written `secondsSince` ago: the same texts,
// picture, history and playback, and a position where the progress bar already is (what the
// widget works out from the written one while playing). `updatedAt` does not count.
bool showsTheSame(const state::WidgetSharedState& written, double secondsSince,
                  const state::WidgetSharedState& next);

}  // namespace sonaris::host::daemon
