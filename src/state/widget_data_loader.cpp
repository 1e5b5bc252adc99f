#include "state/widget_data_loader.hpp"

#include <new>
#include <string>

#include "platform/foundation/file.hpp"
#include "platform/foundation/home_directory.hpp"
#include "state/host_contract.hpp"
#include "state/state_json.hpp"
#include "state/state_limits.hpp"

namespace sonaris::state {

namespace {

namespace foundation = platform::foundation;
using platform::image::Image;

// The runtime folder first (where this platform's host writes), then the two folders under the
// home folder. The environment is asked again on each call, so one call never mixes the answers
// of two moments, nor keeps one.
std::vector<std::filesystem::path> folders() {
    std::vector<std::filesystem::path> found;
    if (auto runtime = HostFiles::runtimeFolder())
        found.push_back(std::move(*runtime));
    if (const auto home = foundation::homeDirectoryForCurrentUser()) {
        found.push_back(*home / HostFiles::containerFolder());
        found.push_back(*home / std::string(HostFiles::supportFolder));
    }
    return found;
}

std::optional<WidgetSharedState> readState(const std::filesystem::path& path) {
    // Read with room for the parser to scan past the end, so the text is decoded where it lies.
    auto read = foundation::readWholeFilePadded(path, stateJsonPadding, kMaxStateFileBytes);
    if (!read)
        return std::nullopt;
    // The file stays in memory while the state's inline cover refers into it, so that the cover
    // text, most of a large file, is held once.
    const auto bytes = std::make_shared<const foundation::PaddedBytes>(std::move(*read));
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    return decodeWidgetSharedState(text, bytes->capacity(), bytes);
}

std::vector<std::filesystem::path> locations(std::string_view file) {
    std::vector<std::filesystem::path> paths;
    for (const auto& folder : folders())
        paths.push_back(folder / file);
    return paths;
}

}  // namespace

WidgetSharedState WidgetDataLoader::loadState(
    const WidgetSharedState::TextTranslation& translateDefault) {
    for (const auto& path : locations(HostFiles::stateFileName)) {
        // Memory that runs out while a state is decoded makes that file unreadable, nothing more.
        try {
            if (auto state = readState(path))
                return std::move(*state);
        } catch (const std::bad_alloc&) {
        }
    }
    return WidgetSharedState::default_(translateDefault);
}

std::optional<Image> WidgetDataLoader::loadArtworkImage(std::optional<SharedText> base64) {
    // Each source that runs out of memory gives no picture, and the next one is tried. The inline
    // picture keeps to the state's own text instead of a second copy of its bytes.
    if (base64) {
        try {
            if (auto image = Image::fromBase64(std::move(*base64)))
                return image;
        } catch (const std::bad_alloc&) {
        }
    }
    for (const auto& path : locations(HostFiles::coverFileName)) {
        try {
            if (auto image = Image::fromFile(path))
                return image;
        } catch (const std::bad_alloc&) {
        }
    }
    return std::nullopt;
}

std::vector<std::filesystem::path> WidgetDataLoader::stateFileLocations() {
    return locations(HostFiles::stateFileName);
}

std::vector<std::filesystem::path> WidgetDataLoader::coverFileLocations() {
    return locations(HostFiles::coverFileName);
}

std::vector<std::filesystem::path> WidgetDataLoader::hostFolders() {
    return folders();
}

}  // namespace sonaris::state
