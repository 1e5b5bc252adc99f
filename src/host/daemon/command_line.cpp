#include "host/daemon/command_line.hpp"

#include <charconv>
#include <cmath>

namespace sonaris::host::daemon {

const char* const hostUsage =
    "usage: sonaris-host [run] [--player NAME]... [--ignore-player NAME]... "
    "[--progress-interval SECONDS]\n"
    "       sonaris-host open URL\n"
    "       sonaris-host status\n"
    "       sonaris-host --help | --version\n"
    "\n"
    "run     follow the MPRIS players on the session bus and write the widget's files\n"
    "        --player NAME          follow only these players, the first named first\n"
    "        --ignore-player NAME   never follow this player\n"
    "        --progress-interval S  how often the position is refreshed while playing (5)\n"
    "open    handle one sonaris:// link (play/pause, previous, next, the studio tools)\n"
    "status  the players seen and the chosen one, as JSON\n";

namespace {

std::optional<double> parseSeconds(const std::string& text) {
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

HostCommand parseRun(const std::vector<std::string>& arguments, std::size_t start) {
    RunCommand run;
    for (std::size_t i = start; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        std::optional<std::string> value;
        if (auto equals = option.find('=');
            option.starts_with("--") && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.resize(equals);
        }
        bool takesValue =
            option == "--player" || option == "--ignore-player" || option == "--progress-interval";
        if (!takesValue)
            return UsageError{"unknown option " + arguments[i]};
        if (!value) {
            if (i + 1 >= arguments.size())
                return UsageError{option + " needs a value"};
            value = arguments[++i];
        }
        if (option == "--progress-interval") {
            auto seconds = parseSeconds(*value);
            if (!seconds || *seconds < 0.1 || *seconds > 86400)
                return UsageError{"--progress-interval takes seconds from 0.1 to 86400, not " +
                                  *value};
            run.progressInterval =
                std::chrono::milliseconds(static_cast<long long>(std::llround(*seconds * 1000)));
            continue;
        }
        if (value->empty())
            return UsageError{option + " needs a player name"};
        (option == "--player" ? run.rules.preferred : run.rules.ignored).push_back(*value);
    }
    return run;
}

}  // namespace

HostCommand parseCommandLine(const std::vector<std::string>& arguments) {
    if (arguments.empty())
        return RunCommand{};
    const std::string& first = arguments[0];
    if (first == "--help" || first == "-h")
        return HelpCommand{};
    if (first == "--version")
        return VersionCommand{};
    if (first == "run")
        return parseRun(arguments, 1);
    if (first.starts_with("--"))
        return parseRun(arguments, 0);
    if (first == "open") {
        if (arguments.size() != 2)
            return UsageError{"open takes one URL"};
        return OpenCommand{arguments[1]};
    }
    if (first == "status") {
        if (arguments.size() != 1)
            return UsageError{"status takes no arguments"};
        return StatusCommand{};
    }
    return UsageError{"unknown command " + first};
}

}  // namespace sonaris::host::daemon
