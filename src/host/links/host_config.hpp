#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host/links/host_action.hpp"

namespace sonaris::host::links {

// The user's tool commands, each an argv (program first, looked up in PATH). Only the tool
// actions (recordScreen, recordAudio, editor) ever have an entry, and never an empty one.
struct HostConfig {
    std::map<HostAction, std::vector<std::string>> commands;
    // Keys and tables this host does not know, one line each naming the file and the line. They
    // are not errors, so a misspelt key leaves only that tool unset; runToolAction repeats them
    // when it finds a tool unset, where a misspelling shows.
    std::vector<std::string> warnings;
};

struct ConfigError {
    std::string message;  // one line, names the file and the line
};

// $XDG_CONFIG_HOME/sonaris/host.toml, else ~/.config/sonaris/host.toml; nothing without a home.
std::optional<std::filesystem::path> hostConfigPath();

// A missing file is an empty configuration, not an error.
std::variant<HostConfig, ConfigError> loadHostConfig(const std::filesystem::path& path);

// The key of a tool action under [commands] ("record-screen", "record-audio", "editor").
std::optional<std::string_view> commandKeyOf(HostAction action);

}  // namespace sonaris::host::links
