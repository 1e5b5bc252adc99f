#include "host/links/host_config.hpp"

#include <array>
#include <cstdlib>
#include <sstream>
#include <string_view>
#include <system_error>
#include <utility>

#include <toml++/toml.h>

#include "host/links/one_line.hpp"
#include "platform/foundation/file.hpp"
#include "platform/foundation/home_directory.hpp"

namespace sonaris::host::links {
namespace {

namespace fs = std::filesystem;

// A real host.toml is a few lines; anything bigger is a mistake (or a hostile file) that would
// only cost memory and parse time.
constexpr std::uintmax_t kMaxConfigBytes = 256 * 1024;

constexpr std::array<std::pair<HostAction, std::string_view>, 3> kCommandKeys{{
    {HostAction::recordScreen, "record-screen"},
    {HostAction::recordAudio, "record-audio"},
    {HostAction::editor, "editor"},
}};

std::string located(const fs::path& path, std::uint32_t line, std::string_view what) {
    std::ostringstream out;
    out << oneLine(path.string());
    if (line > 0) {
        out << ':' << line;
    }
    out << ": " << oneLine(what);
    return out.str();
}

std::string located(const fs::path& path, const toml::node& node, std::string_view what) {
    return located(path, node.source().begin.line, what);
}

// "~" and "~/..." stand for the home folder, as they would in a shell; nothing else is expanded
// (no variables, no globs), since no shell ever sees these arguments.
std::string expandHome(std::string argument) {
    if (argument != "~" && !argument.starts_with("~/")) {
        return argument;
    }
    const auto home = platform::foundation::homeDirectoryForCurrentUser();
    if (!home) {
        return argument;
    }
    std::string expanded = home->string();
    if (argument == "~") {
        return expanded;
    }
    while (!expanded.empty() && expanded.back() == '/') {
        expanded.pop_back();
    }
    return expanded + argument.substr(1);
}

struct CommandResult {
    std::vector<std::string> argv;
    std::string error;  // empty on success
};

// A plain string is split at spaces and tabs and nothing more. Characters a shell would give a
// meaning to are refused rather than passed on verbatim, since whoever wrote them expected that
// meaning: an editor opened on a file named "&&" helps nobody.
CommandResult splitPlainString(std::string_view text) {
    if (text.find_first_of("\"'\\$`|&;<>()*?") != std::string_view::npos) {
        return {{},
                "no shell runs this command, so quotes, variables and operators mean nothing in a "
                "plain string; write it as an array of arguments (with [\"sh\", \"-c\", \"...\"] "
                "if a shell is wanted)"};
    }
    CommandResult result;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto start = text.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) {
            break;
        }
        const auto end = std::min(text.find_first_of(" \t", start), text.size());
        result.argv.push_back(expandHome(std::string(text.substr(start, end - start))));
        at = end;
    }
    return result;
}

// One command: an array of strings (program first), or a plain string split at spaces and tabs.
std::variant<std::vector<std::string>, ConfigError> readCommand(const fs::path& path,
                                                                std::string_view key,
                                                                const toml::node& value) {
    const std::string name = "'" + oneLine(key) + "'";
    std::vector<std::string> argv;
    if (const auto* text = value.as_string()) {
        auto split = splitPlainString(text->get());
        if (!split.error.empty()) {
            return ConfigError{located(path, value, name + ": " + split.error)};
        }
        argv = std::move(split.argv);
    } else if (const auto* array = value.as_array()) {
        for (const auto& element : *array) {
            const auto* argument = element.as_string();
            if (!argument) {
                return ConfigError{
                    located(path, element, name + ": every argument must be a string")};
            }
            argv.push_back(expandHome(argument->get()));
        }
    } else {
        return ConfigError{located(
            path, value, name + " must be an array of strings, like [\"program\", \"argument\"]")};
    }
    if (argv.empty() || argv.front().empty()) {
        return ConfigError{located(path, value, name + " must name a program")};
    }
    for (const auto& argument : argv) {
        // An argument cannot hold a NUL byte: exec would cut it short without a word.
        if (argument.find('\0') != std::string::npos) {
            return ConfigError{located(path, value, name + ": an argument holds a NUL character")};
        }
    }
    return argv;
}

std::optional<HostAction> actionForKey(std::string_view key) {
    for (const auto& [action, known] : kCommandKeys) {
        if (key == known) {
            return action;
        }
    }
    return std::nullopt;
}

std::variant<HostConfig, ConfigError> interpret(const fs::path& path, const toml::table& root) {
    HostConfig config;
    for (const auto& [key, node] : root) {
        if (key.str() != "commands") {
            config.warnings.push_back(located(path, node,
                                              "unknown " +
                                                  std::string(node.is_table() ? "table" : "key") +
                                                  " '" + std::string(key.str()) + "' is ignored"));
            continue;
        }
        const auto* commands = node.as_table();
        if (!commands) {
            return ConfigError{located(path, node, "'commands' must be a table")};
        }
        for (const auto& [commandKey, value] : *commands) {
            const auto action = actionForKey(commandKey.str());
            if (!action) {
                config.warnings.push_back(
                    located(path, value,
                            "unknown command '" + std::string(commandKey.str()) +
                                "' is ignored (known: record-screen, record-audio, editor)"));
                continue;
            }
            auto command = readCommand(path, commandKey.str(), value);
            if (auto* error = std::get_if<ConfigError>(&command)) {
                return std::move(*error);
            }
            config.commands[*action] = std::get<std::vector<std::string>>(std::move(command));
        }
    }
    return config;
}

}  // namespace

std::optional<std::string_view> commandKeyOf(HostAction action) {
    for (const auto& [known, key] : kCommandKeys) {
        if (known == action) {
            return key;
        }
    }
    return std::nullopt;
}

std::optional<fs::path> hostConfigPath() {
    // A relative XDG_CONFIG_HOME is invalid by the base directory rules and is ignored.
    if (const char* configHome = std::getenv("XDG_CONFIG_HOME"); configHome && *configHome == '/') {
        return fs::path(configHome) / "sonaris" / "host.toml";
    }
    const auto home = platform::foundation::homeDirectoryForCurrentUser();
    if (!home) {
        return std::nullopt;
    }
    return *home / ".config" / "sonaris" / "host.toml";
}

std::variant<HostConfig, ConfigError> loadHostConfig(const fs::path& path) {
    std::error_code error;
    const auto status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        return HostConfig{};
    }
    if (error) {
        return ConfigError{located(path, 0, "cannot read: " + error.message())};
    }
    if (status.type() != fs::file_type::regular) {
        return ConfigError{located(path, 0, "is not a regular file")};
    }
    const auto size = fs::file_size(path, error);
    if (!error && size > kMaxConfigBytes) {
        return ConfigError{located(path, 0, "is too big for a configuration file")};
    }
    const auto bytes = platform::foundation::readWholeFile(path);
    if (!bytes) {
        return ConfigError{located(path, 0, "cannot be read")};
    }
    if (bytes->size() > kMaxConfigBytes) {
        return ConfigError{located(path, 0, "is too big for a configuration file")};
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    try {
        const toml::table root = toml::parse(text, path.string());
        return interpret(path, root);
    } catch (const toml::parse_error& failure) {
        return ConfigError{located(path, failure.source().begin.line, failure.description())};
    }
}

}  // namespace sonaris::host::links
