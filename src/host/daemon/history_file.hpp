#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "state/widget_track_info.hpp"

namespace sonaris::host::daemon {

// What a history file held: the rows that could be read, and one line to tell the user when
// anything could not (rows skipped, or the whole file set aside under another name).
struct HistoryRead {
    std::vector<state::WidgetTrackInfo> rows;
    std::optional<std::string> notice;
    // The file is there but could not be opened (permissions): it must not be written over.
    bool blocked = false;
};

// The rows of a history file, newest first. A missing file holds none. Rows that cannot be read
// are skipped and the good ones kept; a file that cannot be read at all (not JSON, not a history,
// too large) is renamed beside itself as "<name>.broken" (".broken.1" and on when taken), so that
// the next save does not destroy it.
HistoryRead readHistory(const std::filesystem::path& path);

// Another process holds the history's lock; try again later.
struct HistoryBusy {};
using HistorySaved = std::variant<HistoryRead, HistoryBusy, std::string>;

// Adds `added` (oldest first) in front of the rows on disk now and writes the list whole, under
// an advisory lock on "<name>.lock", so that two hosts of one user (two sessions, one home) keep
// each other's rows. The merged rows (with any notice from reading the file), HistoryBusy while
// another holds the lock, or the error's text.
HistorySaved saveHistory(const std::filesystem::path& path,
                         const std::vector<state::WidgetTrackInfo>& added);

}  // namespace sonaris::host::daemon
