#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "state/widget_track_info.hpp"

namespace sonaris::host::daemon {

// The tracks played before the current one, newest first, each at most once, at most `limit`.
class TrackHistory {
  public:
    static constexpr std::size_t limit = 20;

    TrackHistory() = default;
    // Rows read back from a file: equal rows are merged and the list cut to the limit.
    explicit TrackHistory(const std::vector<state::WidgetTrackInfo>& rows);

    // A track that has stopped being the current one; an equal row moves to the front. False
    // when the list is unchanged (it was the newest already).
    bool add(const state::WidgetTrackInfo& row);

    const std::vector<state::WidgetTrackInfo>& rows() const { return rows_; }

  private:
    std::vector<state::WidgetTrackInfo> rows_;
};

// $XDG_STATE_HOME/sonaris/history.json, else ~/.local/state/sonaris/history.json; nothing
// without a home folder.
std::optional<std::filesystem::path> historyFilePath();

}  // namespace sonaris::host::daemon
