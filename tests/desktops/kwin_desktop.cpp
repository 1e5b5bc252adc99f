#include "desktops/kwin_desktop.hpp"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <sdbus-c++/sdbus-c++.h>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "desktops/x_tools.hpp"

namespace sonaris::testing {

namespace {

using namespace std::chrono_literals;

}  // namespace

std::variant<std::unique_ptr<Desktop>, std::string> KWinDesktop::start(int width, int height) {
    if (access("/usr/bin/kwin_wayland", X_OK) != 0 || access("/usr/bin/Xwayland", X_OK) != 0)
        return std::string("kwin_wayland or Xwayland is not installed");
    ensureXSocketFolder();
    std::unique_ptr<KWinDesktop> desktop(new KWinDesktop());
    auto folder = desktop->folder_.path();
    // The package gives the binary a file capability (CAP_SYS_RESOURCE, to raise its limits),
    // which a container that may not grant it refuses to run; a plain copy runs. KWin's own
    // plugins expect the copy to keep the binary's name.
    std::filesystem::create_directories(folder / "bin");
    std::filesystem::create_directories(folder / "runtime");
    std::filesystem::permissions(folder / "runtime", std::filesystem::perms::owner_all);
    std::error_code error;
    std::filesystem::copy_file("/usr/bin/kwin_wayland", folder / "bin/kwin_wayland", error);
    if (error)
        return "cannot copy kwin_wayland: " + error.message();
    if (auto bus = SessionBus::start(folder))
        desktop->bus_.emplace(std::move(*bus));
    if (!desktop->bus_)
        return std::string("no session bus");

    ProcessOptions options;
    options.environment = compositorEnvironment(folder, *desktop->bus_);
    options.environment["KWIN_WAYLAND_NO_PERMISSION_CHECKS"] = "1";
    options.environment["KWIN_SCREENSHOT_NO_PERMISSION_CHECKS"] = "1";
    options.arguments = {"--virtual", "--xwayland",          "--socket", compositorSocket,
                         "--width",   std::to_string(width), "--height", std::to_string(height)};
    if (auto process = BackgroundProcess::start((folder / "bin/kwin_wayland").string(), options))
        desktop->kwin_.emplace(std::move(*process));
    if (!desktop->kwin_)
        return std::string("kwin_wayland cannot be started");
    pid_t pid = desktop->kwin_->pid();
    bool ready = waitFor(
        [&] {
            if (!desktop->kwin_->running())
                return true;
            auto server = findXwayland(pid);
            if (!server || !std::filesystem::exists(folder / "runtime" / compositorSocket))
                return false;
            desktop->x_ = *server;
            return XTools(desktop->clientEnvironment({{"PATH", "/usr/bin:/bin"}})).managerNamed();
        },
        30s);
    if (!ready || !desktop->kwin_->running())
        return "kwin_wayland did not start: " + desktop->kwin_->errorOutput();
    try {
        desktop->connection_ =
            sdbus::createSessionBusConnectionWithAddress(desktop->bus_->address());
    } catch (const sdbus::Error& failure) {
        return std::string("cannot reach KWin's bus: ") + failure.what();
    }
    if (!desktop->windows())
        return "KWin runs no scripts: " + desktop->kwin_->errorOutput();
    return std::unique_ptr<Desktop>(std::move(desktop));
}

KWinDesktop::~KWinDesktop() {
    connection_.reset();
    if (kwin_)
        kwin_->stop(SIGTERM, 10s);
}

Environment KWinDesktop::clientEnvironment(Environment base) const {
    return x_.clientEnvironment(
        compositorClientEnvironment(std::move(base), folder_.path(), *bus_));
}

std::optional<std::vector<KWinDesktop::Window>> KWinDesktop::windows() {
    std::string marker = "SONARIS" + std::to_string(++scripts_);
    auto script = folder_.path() / (marker + ".js");
    std::ofstream(script) << "var list = workspace.clientList();\n"
                             "for (var i = 0; i < list.length; ++i) {\n"
                             "  var w = list[i], g = w.frameGeometry;\n"
                             "  print('"
                          << marker
                          << "\\t' + w.layer + '\\t' + g.x + '\\t' + g.y + '\\t' + g.width + "
                             "'\\t' + g.height + '\\t' + (w.active ? 1 : 0) + '\\t' + "
                             "(w.skipTaskbar ? 1 : 0) + '\\t' + "
                             "w.resourceClass + '\\t' + w.caption);\n"
                             "}\n"
                             "print('"
                          << marker << "\\tend');\n";
    std::size_t logStart = log().size();
    try {
        auto scripting = sdbus::createProxy(*connection_, "org.kde.KWin", "/Scripting");
        int id = -1;
        scripting->callMethod("loadScript")
            .onInterface("org.kde.kwin.Scripting")
            .withArguments(script.string(), marker)
            .storeResultsTo(id);
        if (id < 0)
            return std::nullopt;
        scripting->callMethod("start").onInterface("org.kde.kwin.Scripting");
        bool done = waitFor(
            [&] { return log().find(marker + "\tend", logStart) != std::string::npos; }, 10s);
        bool unloaded = false;
        scripting->callMethod("unloadScript")
            .onInterface("org.kde.kwin.Scripting")
            .withArguments(marker)
            .storeResultsTo(unloaded);
        if (!done)
            return std::nullopt;
    } catch (const sdbus::Error&) {
        return std::nullopt;
    }
    std::vector<Window> found;
    std::istringstream in(log().substr(logStart));
    for (std::string line; std::getline(in, line);) {
        auto start = line.find(marker + "\t");
        if (start == std::string::npos || line.ends_with("\tend"))
            continue;
        std::istringstream fields(line.substr(start + marker.size() + 1));
        Window window;
        int active = 0;
        int skipsTaskbar = 0;
        fields >> window.layer >> window.box.x >> window.box.y >> window.box.width >>
            window.box.height >> active >> skipsTaskbar;
        fields.ignore(1);
        std::getline(fields, window.resourceClass, '\t');
        std::getline(fields, window.caption);
        window.active = active != 0;
        window.skipsTaskbar = skipsTaskbar != 0;
        found.push_back(window);
    }
    return found;
}

std::optional<KWinDesktop::Window> KWinDesktop::widget(const std::vector<Window>& windows) const {
    for (const auto& window : windows)
        if (window.resourceClass == "sonaris-widget" || window.caption == "Sonaris")
            return window;
    return std::nullopt;
}

std::optional<KWinDesktop::Window> KWinDesktop::widgetWindow() {
    auto all = windows();
    return all ? widget(*all) : std::nullopt;
}

std::optional<Box> KWinDesktop::widgetBox() {
    auto found = widgetWindow();
    return found ? std::optional<Box>(found->box) : std::nullopt;
}

std::string KWinDesktop::activeTitle() {
    auto all = windows().value_or(std::vector<Window>{});
    auto under = widget(all);
    // A layer surface has no caption; the widget is named as on X11.
    if (under && under->active)
        return "Sonaris";
    for (const auto& window : all)
        if (window.active)
            return window.caption;
    return "";
}

std::optional<bool> KWinDesktop::widgetSkipsTaskbar() {
    auto found = widgetWindow();
    return found ? std::optional<bool>(found->skipsTaskbar) : std::nullopt;
}

std::optional<bool> KWinDesktop::aboveWidget(const std::string& title) {
    auto all = windows();
    if (!all)
        return std::nullopt;
    auto under = widget(*all);
    for (const auto& window : *all)
        if (window.caption == title && under && window.layer != under->layer)
            return window.layer > under->layer;
    return std::nullopt;
}

bool KWinDesktop::pointer(const std::vector<std::string>& steps) {
#ifndef SONARIS_FAKE_POINTER
    return false;
#else
    ProcessOptions options;
    options.arguments = steps;
    options.environment = clientEnvironment({{"PATH", "/usr/bin:/bin"}});
    options.timeout = 10s;
    return runProcess(SONARIS_FAKE_POINTER, options).exitStatus == 0;
#endif
}

std::optional<Picture> KWinDesktop::screenshot() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return std::nullopt;
    // KWin writes the pixels after its answer, and more of them than a pipe holds.
    std::string bytes;
    std::thread reader([&] {
        char chunk[65536];
        ssize_t got = 0;
        while ((got = read(ends[0], chunk, sizeof chunk)) > 0)
            bytes.append(chunk, static_cast<std::size_t>(got));
    });
    std::map<std::string, sdbus::Variant> results;
    bool asked = true;
    try {
        auto shooter =
            sdbus::createProxy(*connection_, "org.kde.KWin", "/org/kde/KWin/ScreenShot2");
        shooter->callMethod("CaptureWorkspace")
            .onInterface("org.kde.KWin.ScreenShot2")
            .withArguments(std::map<std::string, sdbus::Variant>{}, sdbus::UnixFd(ends[1]))
            .storeResultsTo(results);
    } catch (const sdbus::Error&) {
        asked = false;
    }
    close(ends[1]);
    reader.join();
    close(ends[0]);
    if (!asked || !results.contains("width") || !results.contains("stride"))
        return std::nullopt;
    Picture picture;
    picture.width = static_cast<int>(results["width"].get<std::uint32_t>());
    picture.height = static_cast<int>(results["height"].get<std::uint32_t>());
    auto stride = results["stride"].get<std::uint32_t>();
    // QImage's 32-bit formats hold each pixel as one native word, 0xAARRGGBB; RGB32 (4) leaves
    // the alpha byte undefined.
    auto format = results["format"].get<std::uint32_t>();
    if (bytes.size() < std::size_t(stride) * picture.height || (format < 4 || format > 6))
        return std::nullopt;
    picture.pixels.resize(std::size_t(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            std::uint32_t word;
            std::memcpy(&word, bytes.data() + std::size_t(y) * stride + std::size_t(x) * 4, 4);
            picture.pixels[std::size_t(y) * picture.width + x] =
                format == 4 ? (word | 0xff000000u) : word;
        }
    return picture;
}

}  // namespace sonaris::testing
