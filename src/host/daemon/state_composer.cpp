#include "host/daemon/state_composer.hpp"

#include "host/daemon/track_text.hpp"

namespace sonaris::host::daemon {
namespace {

double seconds(std::int64_t microseconds) {
    return static_cast<double>(microseconds) / 1e6;
}

}  // namespace

std::string trackTitle(const players::TrackMetadata& track) {
    if (!track.title.empty())
        return track.title;
    return fileNameOfUrl(track.url);
}

state::WidgetTrackInfo trackRow(const players::TrackMetadata& track) {
    return {trackTitle(track), track.artist,
            track.lengthMicroseconds ? durationText(seconds(*track.lengthMicroseconds)) : "",
            track.url};
}

state::WidgetSharedState composeState(const players::WatchedPlayer& player,
                                      players::SteadyClock::time_point now,
                                      const std::vector<state::WidgetTrackInfo>& history,
                                      bool hasArtwork, platform::foundation::Date updatedAt) {
    const auto& properties = player.properties;
    const auto& track = properties.metadata;
    state::WidgetSharedState state;
    state.isPlaying = properties.status == players::PlaybackStatus::playing;
    state.title = trackTitle(track);
    state.artist = track.artist;
    state.album = track.album;
    state.duration = track.lengthMicroseconds ? seconds(*track.lengthMicroseconds) : 0;
    state.currentTime = seconds(player.positionAt(now));
    state.mediaKind = mediaKindOf(track.url);
    state.hasArtwork = hasArtwork;
    state.recentTracks = history;
    state.updatedAt = updatedAt;
    return state;
}

}  // namespace sonaris::host::daemon
