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
};

struct ConfigError {
    std::string message;  // one line, names the file and the line
};

// $XDG_CONFIG_HOME/sonaris/host.toml, else ~/.config/sonaris/host.toml; nothing without a home.
std::optional<std::filesystem::path> hostConfigPath();

// A missing file is an empty configuration, not an error.
std::variant<HostConfig, ConfigError> loadHostConfig(const std::filesystem::path& path);

}  // namespace sonaris::host::links
