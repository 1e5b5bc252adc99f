#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/image/image.hpp"
#include "state/widget_shared_state.hpp"

namespace sonaris::state {

// Finds and reads what the host leaves for the widget. Nothing is kept between calls: every call
// reads the files afresh, and every failure falls back quietly (next location, default state, no
// image).
class WidgetDataLoader {
  public:
    WidgetDataLoader() = delete;

    // The first state file that reads and decodes, in the order of stateFileLocations(); else the
    // default, its words put through `translateDefault`.
    static WidgetSharedState loadState(
        const WidgetSharedState::TextTranslation& translateDefault = {});

    // The picture in `base64` when it is valid Base64 of a readable image; else the first cover
    // file that is a readable image; else nothing. Does not look at `hasArtwork`.
    static std::optional<platform::image::Image> loadArtworkImage(std::optional<SharedText> base64);

    // Where the host's files are looked for, in the order tried: $XDG_RUNTIME_DIR/sonaris (where
    // the host on this platform writes), then the container folder and the support folder under
    // the home folder, as the environment is now. A location is left out while
    // XDG_RUNTIME_DIR, or the home folder, is missing.
    static std::vector<std::filesystem::path> stateFileLocations();
    static std::vector<std::filesystem::path> coverFileLocations();
    // The folders those files live in, for watching them.
    static std::vector<std::filesystem::path> hostFolders();
};

}  // namespace sonaris::state
