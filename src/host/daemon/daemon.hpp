#pragma once

#include <chrono>
#include <filesystem>
#include <iosfwd>
#include <optional>

#include "host/daemon/atomic_file.hpp"
#include "host/players/player_choice.hpp"

namespace sonaris::host::daemon {

struct DaemonOptions {
    players::ChoiceRules rules;
    std::chrono::milliseconds progressInterval{5000};
    std::filesystem::path liveFolder;                     // where the widget's files go
    Flush liveFlush = Flush::toDisk;                      // Flush::none for a folder in memory
    std::optional<std::filesystem::path> historyFile;     // nothing: history kept in memory only
    std::optional<std::filesystem::path> coverOwnerMark;  // see HostFilesWriter
};

// The host daemon: follows the session bus's MPRIS players and writes the widget's files for the
// chosen one until SIGTERM or SIGINT. However fast a player sends, each turn of its loop handles a
// bounded number of messages before it writes, runs its timers and looks at signals. Returns the
// exit status (0 after a signal, 1 when the bus cannot be reached or is lost), with one line on
// `err` for a failure.
int runDaemon(const DaemonOptions& options, std::ostream& err);

}  // namespace sonaris::host::daemon
