#include "platform/cli/command_line.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <vector>

#include "platform/runtime/family_names.hpp"

namespace sonaris::platform::cli {

using namespace runtime;

namespace {

struct CommandName {
    std::string_view name;
    Command command;
};

constexpr std::array<CommandName, 8> commandNames{{
    {"run", Command::run},
    {"render", Command::render},
    {"timeline", Command::timeline},
    {"snapshot", Command::snapshot},
    {"placeholder", Command::placeholder},
    {"tree", Command::tree},
    {"tap", Command::tap},
    {"config", Command::config},
}};

std::string_view nameOf(Command command) {
    for (const auto& entry : commandNames)
        if (entry.command == command)
            return entry.name;
    return "run";
}

enum class Option { family, scale, size, out, anchor, margin, output, name, backend };

constexpr std::array<std::string_view, 9> optionFlags{
    "--family", "--scale",  "--size", "--out",     "--anchor",
    "--margin", "--output", "--name", "--backend",
};

constexpr std::size_t placementOptions = 5;  // --anchor to --backend: only `run` takes them

struct OptionRules {
    Command command;
    std::array<bool, 4> allowed;  // indexed by Option, up to --out
};

constexpr std::array<OptionRules, 8> optionRules{{
    //                         family scale size   out
    {Command::run, {true, true, true, false}},
    {Command::render, {true, true, true, true}},
    {Command::timeline, {true, false, true, false}},
    {Command::snapshot, {true, false, true, false}},
    {Command::placeholder, {true, false, true, false}},
    {Command::tree, {true, true, true, false}},
    {Command::tap, {true, true, true, false}},
    {Command::config, {false, false, false, false}},
}};

bool allows(Command command, Option option) {
    auto index = static_cast<std::size_t>(option);
    if (index >= optionFlags.size() - placementOptions)
        return command == Command::run;
    for (const auto& rules : optionRules)
        if (rules.command == command)
            return rules.allowed[index];
    return false;
}

std::optional<double> parseNumber(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<ui::Size> parseSize(std::string_view text) {
    auto cross = text.find_first_of("xX");
    if (cross == std::string_view::npos)
        return std::nullopt;
    auto width = parseNumber(text.substr(0, cross));
    auto height = parseNumber(text.substr(cross + 1));
    if (!width || !height || *width <= 0 || *height <= 0)
        return std::nullopt;
    return ui::Size{*width, *height};
}

std::string quoted(std::string_view text) {
    // Appended piece by piece: GCC 12 at -O3 takes "'" + std::string for overlapping copies.
    std::string result;
    result.reserve(text.size() + 2);
    result += '\'';
    result += text;
    result += '\'';
    return result;
}

struct Parser {
    Invocation invocation;
    bool commandSeen = false;
    std::optional<std::string_view> familyText;
    std::vector<std::string_view> positionals;
    std::vector<Option> optionsGiven;

    std::optional<UsageError> setOption(Option option, std::string_view flag,
                                        std::string_view value) {
        optionsGiven.push_back(option);
        switch (option) {
            case Option::family:
                if (value == "all") {
                    invocation.allFamilies = true;
                    invocation.family.reset();
                } else if (auto family = familyNamed(value)) {
                    invocation.allFamilies = false;
                    invocation.family = family;
                } else {
                    return UsageError{"unknown family " + quoted(value) +
                                      " (small, medium, large or all)"};
                }
                familyText = value;
                return std::nullopt;
            case Option::scale: {
                auto scale = parseNumber(value);
                if (!scale || *scale <= 0)
                    return UsageError{"--scale needs a number above 0, not " + quoted(value)};
                invocation.scale = scale;
                return std::nullopt;
            }
            case Option::size: {
                auto size = parseSize(value);
                if (!size)
                    return UsageError{"--size needs WIDTHxHEIGHT in points above 0, not " +
                                      quoted(value)};
                invocation.size = size;
                return std::nullopt;
            }
            case Option::out:
                if (value.empty())
                    return UsageError{std::string(flag) + " needs a path"};
                invocation.out = std::filesystem::path(value);
                return std::nullopt;
            case Option::anchor:
                invocation.anchor = desktop::anchorNamed(value);
                if (!invocation.anchor)
                    return UsageError{"unknown anchor " + quoted(value) +
                                      " (top-left, top, top-right, left, center, right, "
                                      "bottom-left, bottom or bottom-right)"};
                return std::nullopt;
            case Option::margin:
                invocation.margin = parseMargin(value);
                if (!invocation.margin)
                    return UsageError{"--margin needs X,Y in points, each 0 or more, not " +
                                      quoted(value)};
                return std::nullopt;
            case Option::output:
            case Option::name:
                if (value.empty())
                    return UsageError{std::string(flag) + " needs a name"};
                (option == Option::output ? invocation.output : invocation.name) =
                    std::string(value);
                return std::nullopt;
            case Option::backend:
                invocation.backend = desktop::backendNamed(value);
                if (!invocation.backend)
                    return UsageError{"unknown backend " + quoted(value) + " (x11 or wayland)"};
                return std::nullopt;
        }
        return std::nullopt;
    }

    std::optional<UsageError> check() {
        Command command = invocation.command;
        for (Option option : optionsGiven) {
            if (!allows(command, option)) {
                return UsageError{std::string(optionFlags[static_cast<std::size_t>(option)]) +
                                  " does not apply to " + std::string(nameOf(command))};
            }
        }
        if (invocation.allFamilies && command != Command::render)
            return UsageError{"--family all is only for render"};
        if (command == Command::render && !invocation.family)
            invocation.allFamilies = true;

        if (command == Command::tap) {
            if (positionals.size() != 2)
                return UsageError{"tap needs the point to tap: tap [--family F] X Y"};
            auto x = parseNumber(positionals[0]);
            auto y = parseNumber(positionals[1]);
            if (!x || !y)
                return UsageError{"tap needs two numbers, not " + quoted(positionals[0]) + " " +
                                  quoted(positionals[1])};
            invocation.tapPoint = ui::Point{*x, *y};
        } else if (!positionals.empty()) {
            return UsageError{"unexpected argument " + quoted(positionals.front())};
        }

        if (command == Command::render || command == Command::run) {
            // The live window follows the display's scale when none is given; 1 is the least
            // it can be, so the check below still holds.
            double scale = invocation.scale.value_or(command == Command::render ? 2 : 1);
            std::vector<ui::Size> sizes;
            if (invocation.size) {
                sizes.push_back(*invocation.size);
            } else {
                for (auto family : {ui::WidgetFamily::systemSmall, ui::WidgetFamily::systemMedium,
                                    ui::WidgetFamily::systemLarge})
                    if (invocation.allFamilies || invocation.familyOrSmall() == family)
                        sizes.push_back(defaultSize(family));
            }
            for (auto size : sizes) {
                // A drawing rounds to whole pixels; none on a side would be no picture at all.
                // (The live window's own scale, when none is given, is never below 1.)
                const bool scaleKnown = command == Command::render || invocation.scale;
                if (scaleKnown &&
                    (std::round(size.width * scale) < 1 || std::round(size.height * scale) < 1))
                    return UsageError{
                        "--size and --scale ask for an image under one pixel on a side"};
                if (std::ceil(size.width * scale) > maximumPixelsPerSide ||
                    std::ceil(size.height * scale) > maximumPixelsPerSide)
                    return UsageError{
                        "--size and --scale ask for an image over 16384 pixels on a side"};
            }
        }
        return std::nullopt;
    }
};

bool looksLikeNumber(std::string_view text) {
    return text.size() > 1 && text[0] == '-' &&
           ((text[1] >= '0' && text[1] <= '9') || text[1] == '.');
}

}  // namespace

std::optional<ui::Point> parseMargin(std::string_view text) {
    auto comma = text.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    auto x = parseNumber(text.substr(0, comma));
    auto y = parseNumber(text.substr(comma + 1));
    // Beyond any monitor in points; a margin that large is a typing slip.
    constexpr double largest = 100000;
    if (!x || !y || *x < 0 || *y < 0 || *x > largest || *y > largest)
        return std::nullopt;
    return ui::Point{*x, *y};
}

std::variant<Invocation, UsageError> parseCommandLine(std::span<const std::string_view> arguments) {
    Parser parser;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            return Invocation{Command::help};
        }
        if (argument == "--version") {
            return Invocation{Command::version};
        }
        bool isOption = argument.size() > 1 && argument[0] == '-' && !looksLikeNumber(argument);
        if (argument == "--") {
            for (++i; i < arguments.size(); ++i)
                parser.positionals.push_back(arguments[i]);
            break;
        }
        if (!isOption) {
            if (!parser.commandSeen) {
                parser.commandSeen = true;
                bool known = false;
                for (const auto& entry : commandNames) {
                    if (entry.name == argument) {
                        parser.invocation.command = entry.command;
                        known = true;
                    }
                }
                if (!known)
                    return UsageError{"unknown command " + quoted(argument)};
            } else {
                parser.positionals.push_back(argument);
            }
            continue;
        }

        std::string_view flag = argument;
        std::optional<std::string_view> value;
        if (auto equals = argument.find('='); equals != std::string_view::npos) {
            flag = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        std::optional<Option> option;
        for (std::size_t k = 0; k < optionFlags.size(); ++k)
            if (flag == optionFlags[k])
                option = static_cast<Option>(k);
        if (!option)
            return UsageError{"unknown option " + quoted(flag)};
        if (!value) {
            if (i + 1 >= arguments.size())
                return UsageError{std::string(flag) + " needs a value"};
            value = arguments[++i];
        }
        if (auto error = parser.setOption(*option, flag, *value))
            return *error;
    }
    if (auto error = parser.check())
        return *error;
    return parser.invocation;
}

std::string_view usageText() {
    return R"(Usage: sonaris-widget [COMMAND] [OPTIONS]

Shows the Sonaris player's playback state as a desktop widget.

Commands:
  run                      the live widget in a window on the desktop (the default)
  render                   draws the widget into PNG files and prints their paths
  timeline                 the current timeline entry and its reload date, as JSON
  snapshot                 the current entry, as JSON
  placeholder              the placeholder entry, as JSON
  tree                     the laid-out view tree, as JSON
  tap X Y                  the URL a tap at (X, Y) in points opens
  config                   the widget's declaration, as JSON

Options:
  --family F               small, medium or large (render also takes all, its default)
  --scale S                pixels per point (render: 2; run: the display's)
  --size WxH               the widget's size in points, instead of the family's
  --out PATH               render: the PNG to write, or with all the folder to write into

Placing the live widget (run):
  --anchor A               top-left, top, top-right, left, center (default), right,
                           bottom-left, bottom or bottom-right of the monitor
  --margin X,Y             the gap in points to the anchored edges (default 0,0)
  --output NAME            the monitor (XRandR's name on X11, the output's on Wayland);
                           default: the primary one
  --name N                 take the settings of table [N] in
                           $XDG_CONFIG_HOME/sonaris/widget.toml; options given here win
  --backend x11|wayland    the window system (default: Wayland's layer shell where there
                           is one, else X11)
  --help, --version
)";
}

}  // namespace sonaris::platform::cli
