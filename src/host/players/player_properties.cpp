#include "host/players/player_properties.hpp"

#include <cmath>
#include <limits>
#include <vector>

namespace sonaris::host::players {
namespace {

constexpr std::size_t maxTextBytes = 1024;
constexpr std::size_t maxUrlBytes = 8192;
constexpr std::string_view noTrackId = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

// Reading a variant rewinds its message, so every accessor works on a copy-free const ref but
// catches the library's type errors: a player's values are never trusted.
template <typename T>
std::optional<T> valueOf(const sdbus::Variant& value) {
    try {
        if (!value.containsValueOfType<T>())
            return std::nullopt;
        return value.get<T>();
    } catch (const sdbus::Error&) {
        return std::nullopt;
    }
}

std::optional<std::string> textOf(const sdbus::Variant& value, std::size_t limit) {
    auto text = valueOf<std::string>(value);
    if (!text) {
        if (auto path = valueOf<sdbus::ObjectPath>(value))
            text = std::string(*path);
    }
    if (text)
        truncateUtf8(*text, limit);
    return text;
}

// A plain string, or a list of strings joined with ", ".
std::optional<std::string> textListOf(const sdbus::Variant& value, std::size_t limit) {
    if (auto list = valueOf<std::vector<std::string>>(value)) {
        std::string joined;
        for (const auto& item : *list) {
            if (item.empty())
                continue;
            if (!joined.empty())
                joined += ", ";
            joined += item;
            if (joined.size() > limit)
                break;
        }
        truncateUtf8(joined, limit);
        return joined;
    }
    return textOf(value, limit);
}

const sdbus::Variant* find(const PropertyMap& map, const char* key) {
    auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

template <typename F>
void with(const PropertyMap& map, const char* key, F&& apply) {
    if (const auto* value = find(map, key))
        apply(*value);
}

}  // namespace

void truncateUtf8(std::string& text, std::size_t limit) {
    if (text.size() <= limit)
        return;
    std::size_t end = limit;
    // Step back over continuation bytes to the start of the character that would be cut.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
}

std::optional<double> numberOf(const sdbus::Variant& value) {
    if (auto v = valueOf<double>(value))
        return *v;
    if (auto v = integerOf(value))
        return static_cast<double>(*v);
    return std::nullopt;
}

std::optional<std::int64_t> integerOf(const sdbus::Variant& value) {
    if (auto v = valueOf<std::int64_t>(value))
        return *v;
    if (auto v = valueOf<std::uint64_t>(value))
        return *v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                   ? std::numeric_limits<std::int64_t>::max()
                   : static_cast<std::int64_t>(*v);
    if (auto v = valueOf<std::int32_t>(value))
        return *v;
    if (auto v = valueOf<std::uint32_t>(value))
        return *v;
    if (auto v = valueOf<std::int16_t>(value))
        return *v;
    if (auto v = valueOf<std::uint16_t>(value))
        return *v;
    if (auto v = valueOf<double>(value)) {
        if (!std::isfinite(*v) || std::fabs(*v) > 9e18)
            return std::nullopt;
        return static_cast<std::int64_t>(*v);
    }
    return std::nullopt;
}

std::optional<PlaybackStatus> parsePlaybackStatus(std::string_view text) {
    if (text == "Playing")
        return PlaybackStatus::playing;
    if (text == "Paused")
        return PlaybackStatus::paused;
    if (text == "Stopped")
        return PlaybackStatus::stopped;
    return std::nullopt;
}

std::string_view playbackStatusName(PlaybackStatus status) {
    switch (status) {
        case PlaybackStatus::playing:
            return "Playing";
        case PlaybackStatus::paused:
            return "Paused";
        case PlaybackStatus::stopped:
            break;
    }
    return "Stopped";
}

TrackMetadata parseMetadata(const PropertyMap& metadata) {
    TrackMetadata track;
    with(metadata, "mpris:trackid",
         [&](auto& v) { track.trackId = textOf(v, maxUrlBytes).value_or(""); });
    with(metadata, "xesam:title",
         [&](auto& v) { track.title = textListOf(v, maxTextBytes).value_or(""); });
    with(metadata, "xesam:artist",
         [&](auto& v) { track.artist = textListOf(v, maxTextBytes).value_or(""); });
    with(metadata, "xesam:album",
         [&](auto& v) { track.album = textListOf(v, maxTextBytes).value_or(""); });
    with(metadata, "xesam:url", [&](auto& v) { track.url = textOf(v, maxUrlBytes).value_or(""); });
    // A cut URL names nothing, or another file: one too long is refused whole.
    with(metadata, "mpris:artUrl", [&](auto& v) {
        auto url = valueOf<std::string>(v);
        if (url && url->size() <= maxArtUrlBytes)
            track.artUrl = std::move(*url);
    });
    with(metadata, "mpris:length", [&](auto& v) {
        auto length = integerOf(v);
        if (length && *length > 0)
            track.lengthMicroseconds = *length;
    });
    return track;
}

bool hasTrack(const TrackMetadata& track) {
    return !track.title.empty() || !track.url.empty();
}

bool isSameTrack(const TrackMetadata& before, const TrackMetadata& after) {
    if (!before.url.empty() || !after.url.empty())
        return before.url == after.url;
    auto idOf = [](const TrackMetadata& track) {
        return track.trackId == noTrackId ? std::string_view() : std::string_view(track.trackId);
    };
    auto beforeId = idOf(before), afterId = idOf(after);
    if (!beforeId.empty() && !afterId.empty() && beforeId != afterId)
        return false;
    bool beforeEmpty = !hasTrack(before) && beforeId.empty();
    bool afterEmpty = !hasTrack(after) && afterId.empty();
    if (beforeEmpty || afterEmpty)
        return beforeEmpty == afterEmpty;
    auto changed = [](const std::string& a, const std::string& b) {
        return !a.empty() && !b.empty() && a != b;
    };
    return !changed(before.title, after.title) && !changed(before.artist, after.artist);
}

PropertyChange applyProperties(PlayerProperties& properties, const PropertyMap& values) {
    PropertyChange change;
    with(values, "PlaybackStatus", [&](auto& v) {
        auto text = valueOf<std::string>(v);
        auto status = text ? parsePlaybackStatus(*text) : std::nullopt;
        if (status && *status != properties.status) {
            properties.status = *status;
            change.status = true;
        }
    });
    with(values, "Metadata", [&](auto& v) {
        auto map = valueOf<PropertyMap>(v);
        if (!map)
            return;
        auto track = parseMetadata(*map);
        change.newTrack = !isSameTrack(properties.metadata, track);
        if (track != properties.metadata) {
            properties.metadata = std::move(track);
        }
        // Players reuse a track's fields for a new file (and its art path for new art), so any
        // report of Metadata counts as a change.
        change.metadata = true;
    });
    with(values, "Rate", [&](auto& v) {
        auto rate = numberOf(v);
        if (rate && std::isfinite(*rate) && *rate >= 0 && *rate != properties.rate) {
            properties.rate = *rate;
            change.rate = true;
        }
    });
    with(values, "Position", [&](auto& v) {
        if (auto position = integerOf(v)) {
            properties.positionMicroseconds = *position;
            change.position = true;
        }
    });
    auto flag = [&](const char* key, bool& field) {
        with(values, key, [&](auto& v) {
            if (auto b = valueOf<bool>(v))
                field = *b;
        });
    };
    flag("CanControl", properties.canControl);
    flag("CanPlay", properties.canPlay);
    flag("CanPause", properties.canPause);
    flag("CanGoNext", properties.canGoNext);
    flag("CanGoPrevious", properties.canGoPrevious);
    return change;
}

}  // namespace sonaris::host::players
