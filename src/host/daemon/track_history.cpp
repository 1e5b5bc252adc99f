#include "host/daemon/track_history.hpp"

#include <simdjson.h>
#include <algorithm>
#include <cstdlib>

#include "host/daemon/atomic_file.hpp"
#include "platform/foundation/file.hpp"
#include "platform/foundation/home_directory.hpp"
#include "state/state_json.hpp"

namespace sonaris::host::daemon {
namespace {

// Twenty rows of capped texts stay far below this; anything larger is not ours.
constexpr std::size_t maxHistoryFileBytes = 4u << 20;

}  // namespace

TrackHistory::TrackHistory(const std::vector<state::WidgetTrackInfo>& rows) {
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        add(*it);
}

bool TrackHistory::add(const state::WidgetTrackInfo& row) {
    if (!rows_.empty() && rows_.front() == row)
        return false;
    if (auto same = std::find(rows_.begin(), rows_.end(), row); same != rows_.end())
        rows_.erase(same);
    rows_.insert(rows_.begin(), row);
    if (rows_.size() > limit)
        rows_.resize(limit);
    return true;
}

std::optional<std::filesystem::path> historyFilePath() {
    std::filesystem::path base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') {
        base = state;
    } else if (auto home = platform::foundation::homeDirectoryForCurrentUser()) {
        base = *home / ".local/state";
    } else {
        return std::nullopt;
    }
    return base / "sonaris" / "history.json";
}

std::optional<std::vector<state::WidgetTrackInfo>> loadHistory(const std::filesystem::path& path) {
    std::error_code error;
    auto size = std::filesystem::file_size(path, error);
    if (error || size > maxHistoryFileBytes)
        return std::nullopt;
    auto bytes = platform::foundation::readWholeFile(path);
    if (!bytes)
        return std::nullopt;
    simdjson::dom::parser parser;
    simdjson::dom::element document;
    if (parser.parse(reinterpret_cast<const char*>(bytes->data()), bytes->size()).get(document))
        return std::nullopt;
    simdjson::dom::array list;
    if (document["recentTracks"].get_array().get(list))
        return std::nullopt;
    std::vector<state::WidgetTrackInfo> rows;
    for (auto item : list) {
        std::string_view title, artist, durationText, url;
        if (item["title"].get_string().get(title) || item["artist"].get_string().get(artist) ||
            item["durationText"].get_string().get(durationText) ||
            item["path"].get_string().get(url))
            return std::nullopt;
        rows.push_back(
            {std::string(title), std::string(artist), std::string(durationText), std::string(url)});
    }
    return rows;
}

std::optional<std::string> saveHistory(const std::filesystem::path& path,
                                       const std::vector<state::WidgetTrackInfo>& rows) {
    std::string text = "{\"recentTracks\":[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0)
            text += ',';
        text += state::encodeJson(rows[i]);
    }
    text += "]}\n";
    return writeFileAtomically(path, text, true);
}

}  // namespace sonaris::host::daemon
