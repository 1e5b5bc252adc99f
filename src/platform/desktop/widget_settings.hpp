#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include "platform/desktop/live_widget_options.hpp"
#include "platform/desktop/live_widget_request.hpp"
#include "platform/runtime/program.hpp"

namespace sonaris::platform::desktop {

using runtime::UsageError;

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
    const LiveWidgetOptions& options, const std::optional<std::filesystem::path>& settingsFile);

}  // namespace sonaris::platform::desktop
