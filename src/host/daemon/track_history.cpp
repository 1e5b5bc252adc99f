#include "host/daemon/track_history.hpp"

#include <algorithm>
#include <cstdlib>

#include "platform/foundation/home_directory.hpp"

namespace sonaris::host::daemon {

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

}  // namespace sonaris::host::daemon
