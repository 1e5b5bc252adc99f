#pragma once

#include <ostream>

#include "host/links/host_action.hpp"
#include "host/links/host_config.hpp"

namespace sonaris::host::links {

// Starts the tool's command without a shell, detached (it outlives the host); when none is set,
// tells the user (desktop notification when a server is there, and a line on `err`).
// Returns the exit status for `sonaris-host open`: 0 started, 1 not set or could not start.
int runToolAction(HostAction action, const HostConfig& config, std::ostream& err);

}  // namespace sonaris::host::links
