#include "desktops/x_desktop.hpp"

#include <signal.h>
#include <unistd.h>

namespace sonaris::testing {

using namespace std::chrono_literals;

std::variant<std::unique_ptr<Desktop>, std::string> XDesktop::start(DesktopKind kind, int width,
                                                                    int height) {
    std::string program = kind == DesktopKind::openbox ? "/usr/bin/openbox" : "/usr/bin/mutter";
    if (access(program.c_str(), X_OK) != 0)
        return program + " is not installed";
    std::unique_ptr<XDesktop> desktop(new XDesktop());
    desktop->display_ =
        VirtualDisplay::start(std::to_string(width) + "x" + std::to_string(height) + "x24");
    if (!desktop->display_)
        return std::string("Xvfb did not start");
    if (auto bus = SessionBus::start(desktop->folder_.path()))
        desktop->bus_.emplace(std::move(*bus));
    if (!desktop->bus_)
        return std::string("no session bus");

    ProcessOptions options;
    options.environment = desktop->clientEnvironment({{"PATH", "/usr/bin:/bin"}});
    if (kind == DesktopKind::openbox)
        options.arguments = {"--sm-disable"};
    else
        options.arguments = {"--x11", "--replace", "--sm-disable"};
    if (auto process = BackgroundProcess::start(program, options))
        desktop->manager_.emplace(std::move(*process));
    if (!desktop->manager_)
        return program + " cannot be started";
    // A window manager names itself on the root window once it manages the screen.
    auto tools = desktop->tools();
    bool managing = waitFor(
        [&] {
            return !desktop->manager_->running() || tools.stacking().size() > 0 ||
                   tools.managerNamed();
        },
        20s);
    if (!managing || !desktop->manager_->running())
        return program + " did not take the screen: " + desktop->manager_->errorOutput();
    // A manager that names itself may still be loading its configuration, and openbox drops map
    // requests that come meanwhile: the desktop is ready once a window of its own is shown.
    if (!desktop->showsAWindow(options.environment))
        return program + " never showed a window: " + desktop->manager_->errorOutput();
    return std::unique_ptr<Desktop>(std::move(desktop));
}

bool XDesktop::showsAWindow(const Environment& environment) {
    constexpr const char* title = "desktop-ready";
    auto tools = this->tools();
    auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        ProcessOptions options;
        options.arguments = {"-title", title};
        options.environment = environment;
        auto probe = BackgroundProcess::start("/usr/bin/xlogo", options);
        if (!probe)
            return false;
        // A lost request is not answered later: a new window asks again.
        bool shown = waitFor([&] { return tools.window(title).has_value(); }, 2s);
        probe->stop(SIGTERM, 5s);
        if (shown)
            return waitFor([&] { return !tools.window(title); }, 5s);
    }
    return false;
}

XDesktop::~XDesktop() {
    if (manager_)
        manager_->stop(SIGTERM, 10s);
}

Environment XDesktop::clientEnvironment(Environment base) const {
    base["DISPLAY"] = display_->name();
    base["DBUS_SESSION_BUS_ADDRESS"] = bus_ ? bus_->address() : "";
    base["XDG_RUNTIME_DIR"] = folder_.path().string();
    return base;
}

std::optional<Picture> XDesktop::screenshot() {
    return tools().screenshot();
}

}  // namespace sonaris::testing
