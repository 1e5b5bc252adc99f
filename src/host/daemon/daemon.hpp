#pragma once

#include <chrono>
#include <filesystem>
#include <iosfwd>
#include <optional>

#include "host/players/player_choice.hpp"

namespace sonaris::host::daemon {

struct DaemonOptions {
    players::ChoiceRules rules;
    std::chrono::milliseconds progressInterval{5000};
    std::filesystem::path containerFolder;                // where the widget's files go
    std::optional<std::filesystem::path> historyFile;     // nothing: history kept in memory only
    std::optional<std::filesystem::path> coverOwnerMark;  // see HostFilesWriter
};

// The host daemon: follows the session bus's MPRIS players and writes the widget's files for the
// chosen one until SIGTERM or SIGINT. Returns the exit status (0 after a signal, 1 when the bus
// cannot be reached or is lost), with one line on `err` for a failure.
int runDaemon(const DaemonOptions& options, std::ostream& err);

}  // namespace sonaris::host::daemon
