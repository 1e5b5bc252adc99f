#include "desktops/x_tools.hpp"

#include <algorithm>
#include <sstream>

namespace sonaris::testing {

namespace {

using namespace std::chrono_literals;

// The window ids in xprop's "NAME(WINDOW): window id # 0x1, 0x2" as decimal text.
std::vector<std::string> windowIds(const std::string& xpropLine) {
    std::vector<std::string> ids;
    auto hash = xpropLine.find('#');
    if (hash == std::string::npos)
        return ids;
    std::istringstream in(xpropLine.substr(hash + 1));
    std::string item;
    while (std::getline(in, item, ',')) {
        auto hex = item.find("0x");
        if (hex != std::string::npos)
            ids.push_back(std::to_string(std::stoul(item.substr(hex), nullptr, 16)));
    }
    return ids;
}

}  // namespace

ProcessResult XTools::run(const std::string& program, std::vector<std::string> arguments) const {
    ProcessOptions options;
    options.arguments = std::move(arguments);
    options.environment = environment_;
    options.timeout = 10s;
    return runProcess(program, options);
}

std::optional<std::string> XTools::window(const std::string& title) const {
    auto found = run("/usr/bin/xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"});
    std::istringstream in(found.out);
    std::string id;
    if (found.exitStatus != 0 || !(in >> id))
        return std::nullopt;
    return id;
}

std::optional<Box> XTools::geometry(const std::string& window) const {
    auto shown = run("/usr/bin/xdotool", {"getwindowgeometry", "--shell", window});
    if (shown.exitStatus != 0)
        return std::nullopt;
    Box box;
    std::istringstream in(shown.out);
    std::string line;
    while (std::getline(in, line)) {
        auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        int value = std::atoi(line.c_str() + equals + 1);
        if (key == "X")
            box.x = value;
        else if (key == "Y")
            box.y = value;
        else if (key == "WIDTH")
            box.width = value;
        else if (key == "HEIGHT")
            box.height = value;
    }
    return box;
}

std::string XTools::title(const std::string& window) const {
    auto named = run("/usr/bin/xdotool", {"getwindowname", window});
    std::string title = named.out;
    while (!title.empty() && title.back() == '\n')
        title.pop_back();
    return title;
}

std::string XTools::activeTitle() const {
    auto ids = windowIds(run("/usr/bin/xprop", {"-root", "_NET_ACTIVE_WINDOW"}).out);
    if (ids.empty() || ids.front() == "0")
        return "";
    return title(ids.front());
}

std::vector<std::string> XTools::stacking() const {
    return windowIds(run("/usr/bin/xprop", {"-root", "_NET_CLIENT_LIST_STACKING"}).out);
}

std::optional<bool> XTools::aboveWidget(const std::string& title) const {
    auto widget = window("Sonaris");
    auto other = window(title);
    if (!widget || !other)
        return std::nullopt;
    auto order = stacking();
    auto at = [&](const std::string& id) { return std::find(order.begin(), order.end(), id); };
    if (at(*widget) == order.end() || at(*other) == order.end())
        return std::nullopt;
    return at(*other) > at(*widget);
}

bool XTools::pointer(const std::vector<std::string>& steps) const {
    std::vector<std::string> arguments;
    for (const auto& step : steps) {
        if (step == "down" || step == "up") {
            arguments.insert(arguments.end(), {step == "down" ? "mousedown" : "mouseup", "1"});
        } else {
            auto comma = step.find(',');
            arguments.insert(arguments.end(), {"mousemove", "--sync", step.substr(0, comma),
                                               step.substr(comma + 1)});
        }
        // Time for the window under the pointer to see each step on its own.
        arguments.insert(arguments.end(), {"sleep", "0.03"});
    }
    return run("/usr/bin/xdotool", arguments).exitStatus == 0;
}

std::optional<Picture> XTools::screenshot(const std::filesystem::path& file,
                                          const std::string& window) const {
    if (run("/usr/bin/import", {"-window", window, "png:" + file.string()}).exitStatus != 0)
        return std::nullopt;
    return readPicture(file);
}

}  // namespace sonaris::testing
