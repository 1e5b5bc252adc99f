#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/date.hpp"
#include "platform/foundation/shared_text.hpp"
#include "state/widget_track_info.hpp"

namespace sonaris::state {

using platform::foundation::SharedText;

// The host's playback state as it writes it to the state file.
struct WidgetSharedState {
    bool isPlaying = false;
    // Shared by every copy of the state and every view that shows them: a title may run to
    // megabytes.
    SharedText title;
    SharedText artist;
    SharedText album;
    double duration = 0;
    double currentTime = 0;
    std::string mediaKind;
    bool hasArtwork = false;
    // Shared by every copy of the state: see SharedText.
    std::optional<SharedText> artworkBase64;
    std::vector<WidgetTrackInfo> recentTracks;
    platform::foundation::Date updatedAt;

    // Field by field; the covers compare by their text.
    bool operator==(const WidgetSharedState&) const = default;

    // Puts the program's own words into the user's language; unset: they stay as written.
    using TextTranslation = std::function<std::string(std::string_view)>;

    // The built-in state, made anew on each call with the current time as `updatedAt`. Its words
    // are the program's own, so `translate` puts its title, artist, album and history rows into
    // the user's language. (`default` itself is a C++ keyword.)
    static WidgetSharedState default_(const TextTranslation& translate = {});
};

}  // namespace sonaris::state
