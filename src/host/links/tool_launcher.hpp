#pragma once

#include <ostream>

#include "host/links/host_action.hpp"
#include "host/links/host_config.hpp"

namespace sonaris::host::links {

// Starts the tool's command without a shell, detached (it outlives the host); when none is set,
// tells the user (desktop notification when a server is there, and a line on `err`).
// Returns the exit status for `sonaris-host open`: 0 started, 1 not set or could not start.
//
// The tool runs in its own session, as a grandchild that the system reaps, so neither
// `sonaris-host open` nor the daemon ever holds a zombie or waits for it. Its stdin is
// /dev/null; its stdout and stderr are the caller's unless those are pipes, so that a caller
// reading our output through a pipe is never held open until the tool quits. Every
// message is one line on `err`, starting "sonaris-host: "; a failure to start is also notified.
int runToolAction(HostAction action, const HostConfig& config, std::ostream& err);

}  // namespace sonaris::host::links
