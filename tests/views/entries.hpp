#pragma once

// Entries for layout tests, described by what a test varies.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/image/image.hpp"
#include "timeline/sonaris_entry.hpp"

namespace sonaris::testing {

// A 3 × 2 red PNG: wider than tall, so a square cover has to crop it.
inline platform::image::Image coverImage() {
    static const std::vector<std::uint8_t> png = {
        0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
        0x52, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0x12,
        0x16, 0xf1, 0x4d, 0x00, 0x00, 0x00, 0x10, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0x38,
        0x21, 0x27, 0x02, 0x41, 0x0c, 0x70, 0x16, 0x00, 0x3e, 0xe4, 0x05, 0xdd, 0xf0, 0xff, 0x17,
        0x0e, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
    return *platform::image::Image::fromBytes(png);
}

struct EntryShape {
    bool isPlaying = false;
    std::string title = "Track";
    std::string artist = "Artist";
    double duration = 0;
    double currentTime = 0;
    bool hasArtwork = false;  // what the host claims; the layouts must not care
    bool withCover = false;   // whether the entry actually carries a picture
    std::vector<state::WidgetTrackInfo> recentTracks;
};

inline timeline::SonarisEntry makeEntry(const EntryShape& shape) {
    state::WidgetSharedState state;
    state.isPlaying = shape.isPlaying;
    state.title = shape.title;
    state.artist = shape.artist;
    state.duration = shape.duration;
    state.currentTime = shape.currentTime;
    state.hasArtwork = shape.hasArtwork;
    state.recentTracks = shape.recentTracks;
    std::optional<platform::image::Image> artwork;
    if (shape.withCover)
        artwork = coverImage();
    return {platform::foundation::Date{800000000}, std::move(state), std::move(artwork)};
}

inline state::WidgetTrackInfo track(std::string title, std::string artist = "Someone") {
    return {std::move(title), std::move(artist), "3:20", "/music/" + title};
}

}  // namespace sonaris::testing
