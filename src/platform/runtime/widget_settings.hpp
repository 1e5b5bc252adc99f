#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include "platform/runtime/command_line.hpp"
#include "platform/runtime/live_widget_request.hpp"

namespace sonaris::platform::runtime {

// $XDG_CONFIG_HOME/sonaris/widget.toml, or ~/.config/sonaris/widget.toml when that is unset or
// not absolute; nothing when there is no home either.
std::optional<std::filesystem::path> widgetSettingsPath();

// The live widget as it is to run: what to show, where, and through which window system.
struct LiveWidgetChoice {
    LiveWidgetRequest request;
    Backend backend = Backend::automatic;
};

// Combines `run`'s options with table [name] of the settings file (`--name`); the options win.
// Without `--name` its table [default] applies when the file has one. A missing file or table
// named by `--name`, a file that is not TOML, an unknown key or a bad value is a usage error
// naming the file and, where there is one, the line.
std::variant<LiveWidgetChoice, UsageError> chooseLiveWidget(
    const Invocation& invocation, const std::optional<std::filesystem::path>& settingsFile);

}  // namespace sonaris::platform::runtime
