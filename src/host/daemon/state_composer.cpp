#include "host/daemon/state_composer.hpp"

#include <algorithm>
#include <cmath>

#include "host/daemon/track_text.hpp"

namespace sonaris::host::daemon {
namespace {

double seconds(std::int64_t microseconds) {
    return static_cast<double>(microseconds) / 1e6;
}

}  // namespace

std::string trackTitle(const players::TrackMetadata& track) {
    return withoutControlCharacters(track.title.empty() ? fileNameOfUrl(track.url) : track.title);
}

state::WidgetTrackInfo trackRow(const players::TrackMetadata& track) {
    return {trackTitle(track), withoutControlCharacters(track.artist),
            track.lengthMicroseconds ? durationText(seconds(*track.lengthMicroseconds)) : "",
            withoutControlCharacters(track.url)};
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
    state.artist = withoutControlCharacters(track.artist);
    state.album = withoutControlCharacters(track.album);
    state.duration = track.lengthMicroseconds ? seconds(*track.lengthMicroseconds) : 0;
    state.currentTime = seconds(player.positionAt(now));
    state.mediaKind = mediaKindOf(track.url);
    state.hasArtwork = hasArtwork;
    state.recentTracks = history;
    state.updatedAt = updatedAt;
    return state;
}

bool showsTheSame(const state::WidgetSharedState& written, double secondsSince,
                  const state::WidgetSharedState& next) {
    // Closer than this, a position is where the bar was going anyway.
    constexpr double positionTolerance = 0.5;
    double expected = written.currentTime + (written.isPlaying ? secondsSince : 0);
    if (written.duration > 0)
        expected = std::min(expected, written.duration);
    return written.isPlaying == next.isPlaying && written.title == next.title &&
           written.artist == next.artist && written.album == next.album &&
           written.duration == next.duration && written.mediaKind == next.mediaKind &&
           written.hasArtwork == next.hasArtwork &&
           written.artworkBase64.has_value() == next.artworkBase64.has_value() &&
           written.recentTracks == next.recentTracks &&
           std::abs(next.currentTime - expected) < positionTolerance;
}

}  // namespace sonaris::host::daemon
