#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "cli/process.hpp"

namespace sonaris::testing {

// The X server a Wayland compositor started for X clients.
struct XwaylandServer {
    std::string display;    // ":1"
    std::string authority;  // its cookie file, where it asks for one

    Environment clientEnvironment(Environment base) const;
};

// Read from the command line of the Xwayland below `compositor`; nothing until it runs.
std::optional<XwaylandServer> findXwayland(pid_t compositor);

// Xwayland needs the system's X socket folder, which a bare container may lack.
void ensureXSocketFolder();

}  // namespace sonaris::testing
