#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "platform/runtime/placement.hpp"
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

// The window system the live widget is shown through; automatic: Wayland's layer shell where
// there is one, X11 otherwise.
enum class Backend { automatic, x11, wayland };

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

    ui::WidgetFamily familyOrSmall() const {
        return family.value_or(ui::WidgetFamily::systemSmall);
    }
};

// Why the arguments make no sense, in one line (without the program name).
struct UsageError {
    std::string message;
};

// "x11" or "wayland"; nothing for any other word.
std::optional<Backend> backendNamed(std::string_view name);

// "X,Y" with two finite numbers, each at least 0.
std::optional<ui::Point> parseMargin(std::string_view text);

// A monitor's or a widget's name longer than this is no name (XRandR's and wl_output's names are
// a few bytes).
inline constexpr std::size_t longestName = 255;

// `text` with its control characters (and backslashes) escaped as \xNN, fit for a one-line
// message; quoted(): the same in single quotes.
std::string printable(std::string_view text);
std::string quoted(std::string_view text);

// Larger rasters than this are refused up front rather than failing (or swapping) mid-paint.
inline constexpr double maximumPixelsPerSide = 16384;

// Reads the arguments after the program name.
std::variant<Invocation, UsageError> parseCommandLine(std::span<const std::string_view> arguments);

// The text `--help` prints.
std::string_view usageText();

}  // namespace sonaris::platform::runtime
