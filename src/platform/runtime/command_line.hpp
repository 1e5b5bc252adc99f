#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "platform/ui/environment.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::runtime {

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

    ui::WidgetFamily familyOrSmall() const {
        return family.value_or(ui::WidgetFamily::systemSmall);
    }
};

// Why the arguments make no sense, in one line (without the program name).
struct UsageError {
    std::string message;
};

// Reads the arguments after the program name.
std::variant<Invocation, UsageError> parseCommandLine(std::span<const std::string_view> arguments);

// The text `--help` prints.
std::string_view usageText();

}  // namespace sonaris::platform::runtime
