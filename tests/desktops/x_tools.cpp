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

// An XWD dump of a true-colour image, as an X server of depth 24 or 32 gives: a header of
// big-endian 32-bit fields, the window's name, a colour map, then the pixels, three or four bytes
// each as the server hands them to xwd.
std::optional<Picture> readXwd(const std::string& bytes) {
    auto field = [&](std::size_t index) -> std::uint32_t {
        std::size_t at = index * 4;
        if (at + 4 > bytes.size())
            return 0;
        auto byte = [&](std::size_t i) { return std::uint32_t(std::uint8_t(bytes[at + i])); };
        return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
    };
    std::uint32_t headerSize = field(0);
    bool zPixmap = field(2) == 2;
    int width = int(field(4));
    int height = int(field(5));
    bool leastFirst = field(7) == 0;
    std::uint32_t bytesPerLine = field(12);
    std::uint32_t colours = field(19);
    std::size_t start = std::size_t(headerSize) + std::size_t(colours) * 12;
    if (!zPixmap || width <= 0 || height <= 0 ||
        start + std::size_t(bytesPerLine) * height > bytes.size())
        return std::nullopt;
    std::size_t bytesPerPixel = field(11) / 8;
    if ((bytesPerPixel != 3 && bytesPerPixel != 4) || bytesPerLine < width * bytesPerPixel)
        return std::nullopt;
    Picture picture{width, height, {}};
    picture.pixels.reserve(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data()) + start +
                            std::size_t(y) * bytesPerLine + std::size_t(x) * bytesPerPixel;
            std::uint32_t value = 0;
            for (std::size_t i = 0; i < bytesPerPixel; ++i)
                value |= std::uint32_t(p[leastFirst ? i : bytesPerPixel - 1 - i]) << (8 * i);
            // Opaque as shown: a depth-24 server leaves the top byte undefined.
            picture.pixels.push_back(value | 0xff000000u);
        }
    return picture;
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

std::optional<bool> XTools::widgetSkipsTaskbar() const {
    auto widget = window("Sonaris");
    if (!widget)
        return std::nullopt;
    auto state = run("/usr/bin/xprop", {"-id", *widget, "_NET_WM_STATE"});
    return state.out.find("_NET_WM_STATE_SKIP_TASKBAR") != std::string::npos;
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

std::optional<Picture> XTools::screenshot(const std::string& window) const {
    auto dumped =
        run("/usr/bin/xwd", window.empty() ? std::vector<std::string>{"-root", "-silent"}
                                           : std::vector<std::string>{"-id", window, "-silent"});
    if (dumped.exitStatus != 0)
        return std::nullopt;
    return readXwd(dumped.out);
}

std::optional<Box> XTools::widgetBox() const {
    auto widget = window("Sonaris");
    if (!widget)
        return std::nullopt;
    return geometry(*widget);
}

std::optional<Picture> XTools::widgetPicture() const {
    auto widget = window("Sonaris");
    if (!widget)
        return std::nullopt;
    return screenshot(*widget);
}

bool XTools::managerNamed() const {
    return run("/usr/bin/xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).out.find("window id") !=
           std::string::npos;
}

}  // namespace sonaris::testing
