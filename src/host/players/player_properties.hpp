#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include <sdbus-c++/Types.h>

#include "host/players/player_choice.hpp"

namespace sonaris::host::players {

// The longest mpris:artUrl taken. A data: URI carries a whole picture, and every copy of it
// costs the host its size again; covers players send inline are thumbnails far below this.
inline constexpr std::size_t maxArtUrlBytes = 1u << 20;

// One track as a player describes it; texts are cut to a sane length, so that a hostile player
// cannot make the host carry megabytes into every file it writes.
struct TrackMetadata {
    std::string trackId;
    std::string title;
    std::string artist;  // several artists joined with ", "
    std::string album;
    std::string url;
    std::string artUrl;
    std::optional<std::int64_t> lengthMicroseconds;

    bool operator==(const TrackMetadata&) const = default;
};

// What the host knows of one player's org.mpris.MediaPlayer2.Player properties.
struct PlayerProperties {
    PlaybackStatus status = PlaybackStatus::stopped;
    TrackMetadata metadata;
    double rate = 1;
    std::int64_t positionMicroseconds = 0;
    bool canControl = true;
    bool canPlay = true;
    bool canPause = true;
    bool canGoNext = true;
    bool canGoPrevious = true;
};

// Which parts a set of property values changed.
struct PropertyChange {
    bool status = false;
    bool metadata = false;
    bool rate = false;
    bool position = false;
    bool newTrack = false;  // the metadata is another track's, not the same one's tags filled in
    bool any() const { return status || metadata || rate || position; }
};

using PropertyMap = std::map<std::string, sdbus::Variant>;

// Reads an xesam/mpris metadata dictionary; keys that are missing or of a wrong type read as
// empty, an artist may be a list or a plain string, the length any integer or a double.
TrackMetadata parseMetadata(const PropertyMap& metadata);

// Whether `after` is still the track `before` described. A URL decides alone, so that tags
// filled in later do not make a new track of the same file; without one a change of track id does,
// and, where the id stays or is absent (players that keep one id for every track), a change of
// title or artist that was known. An empty track is the same as nothing but another empty one.
bool isSameTrack(const TrackMetadata& before, const TrackMetadata& after);

// Whether the metadata names anything to show: a title or a URL.
bool hasTrack(const TrackMetadata& track);

// Applies property values (from GetAll or PropertiesChanged) to `properties`; a value of the
// wrong type is ignored, and so is every unknown property.
PropertyChange applyProperties(PlayerProperties& properties, const PropertyMap& values);

// A number of any D-Bus numeric type; nothing for other types.
std::optional<double> numberOf(const sdbus::Variant& value);
std::optional<std::int64_t> integerOf(const sdbus::Variant& value);

std::optional<PlaybackStatus> parsePlaybackStatus(std::string_view text);
std::string_view playbackStatusName(PlaybackStatus status);

// Cuts UTF-8 text to at most `limit` bytes without splitting a character.
void truncateUtf8(std::string& text, std::size_t limit);

}  // namespace sonaris::host::players
