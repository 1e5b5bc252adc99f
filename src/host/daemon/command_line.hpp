#pragma once

#include <string>
#include <variant>
#include <vector>

#include "host/daemon/daemon.hpp"

namespace sonaris::host::daemon {

struct RunCommand {
    players::ChoiceRules rules;
    std::chrono::milliseconds progressInterval{5000};
};
struct OpenCommand {
    std::string url;
};
struct StatusCommand {};
struct HelpCommand {};
struct VersionCommand {};
struct UsageError {
    std::string message;  // one line, without the program's name
};

using HostCommand =
    std::variant<RunCommand, OpenCommand, StatusCommand, HelpCommand, VersionCommand, UsageError>;

// The arguments after the program's name.
HostCommand parseCommandLine(const std::vector<std::string>& arguments);

extern const char* const hostUsage;

}  // namespace sonaris::host::daemon
