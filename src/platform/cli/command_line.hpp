#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "platform/desktop/live_widget_options.hpp"
#include "platform/runtime/program.hpp"
#include "platform/ui/environment.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::cli {

using desktop::Anchor;
using desktop::Backend;
using runtime::UsageError;

enum class Command {
    run,
    render,
    timeline,
    snapshot,
    placeholder,
    tree,
    tap,
    config,
    help,
    version
};

// One run of the program as its arguments ask for it.
struct Invocation {
    Command command = Command::run;
    // Unset: the command's default (every family for `render`, the small one elsewhere).
    std::optional<ui::WidgetFamily> family;
    bool allFamilies = false;  // `render --family all`
    std::optional<double> scale;
    std::optional<ui::Size> size;
    std::optional<std::filesystem::path> out;
    std::optional<ui::Point> tapPoint;

    // Where `run` places the widget; each unset one comes from the settings file or its default.
    std::optional<Anchor> anchor;
    std::optional<ui::Point> margin;
    std::optional<std::string> output;
    std::optional<std::string> name;  // the widget's table in the settings file
    std::optional<Backend> backend;

    // The options `run` passes on to the live widget.
    desktop::LiveWidgetOptions liveWidgetOptions() const {
        return {family, scale, size, anchor, margin, output, name, backend};
    }

    ui::WidgetFamily familyOrSmall() const {
        return family.value_or(ui::WidgetFamily::systemSmall);
    }
};

// "X,Y" with two finite numbers, each at least 0.
std::optional<ui::Point> parseMargin(std::string_view text);

// Reads the arguments after the program name.
std::variant<Invocation, UsageError> parseCommandLine(std::span<const std::string_view> arguments);

// The text `--help` prints.
std::string_view usageText();

}  // namespace sonaris::platform::cli
