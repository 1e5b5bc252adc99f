#pragma once

#include <iosfwd>
#include <string_view>

namespace sonaris::host::daemon {

// `sonaris-host open URL`: a player action goes to the running host, or straight to the chosen
// player when no host runs; a tool action runs the user's command. Returns the exit status.
int openUrl(std::string_view url, std::ostream& err);

// `sonaris-host status`: the players seen and the chosen one as one JSON line on `out`, from the
// running host, else from a look at the bus. Returns the exit status.
int printStatus(std::ostream& out, std::ostream& err);

}  // namespace sonaris::host::daemon
