#include "desktops/mutter_desktop.hpp"

#include <linux/input-event-codes.h>
#include <signal.h>
#include <unistd.h>

#include <sdbus-c++/sdbus-c++.h>
#include <thread>

namespace sonaris::testing {

namespace {

using namespace std::chrono_literals;

constexpr const char* remoteService = "org.gnome.Mutter.RemoteDesktop";
constexpr const char* sessionInterface = "org.gnome.Mutter.RemoteDesktop.Session";

}  // namespace

std::variant<std::unique_ptr<Desktop>, std::string> MutterDesktop::start(int width, int height,
                                                                         bool xwayland) {
    if (access("/usr/bin/mutter", X_OK) != 0 || access("/usr/bin/Xwayland", X_OK) != 0)
        return std::string("mutter or Xwayland is not installed");
    ensureXSocketFolder();
    std::unique_ptr<MutterDesktop> desktop(new MutterDesktop());
    auto folder = desktop->folder_.path();
    std::filesystem::create_directories(folder / "runtime");
    std::filesystem::permissions(folder / "runtime", std::filesystem::perms::owner_all);
    if (auto bus = SessionBus::start(folder))
        desktop->bus_.emplace(std::move(*bus));
    if (!desktop->bus_)
        return std::string("no session bus");

    ProcessOptions options;
    options.environment = compositorEnvironment(folder, *desktop->bus_);
    options.arguments = {"--headless", "--wayland", "--virtual-monitor",
                         std::to_string(width) + "x" + std::to_string(height),
                         std::string("--wayland-display=") + compositorSocket};
    if (!xwayland)
        options.arguments.push_back("--no-x11");
    if (auto process = BackgroundProcess::start("/usr/bin/mutter", options))
        desktop->mutter_.emplace(std::move(*process));
    if (!desktop->mutter_)
        return std::string("mutter cannot be started");
    pid_t pid = desktop->mutter_->pid();
    bool ready = waitFor(
        [&] {
            if (!desktop->mutter_->running())
                return true;
            if (!std::filesystem::exists(folder / "runtime" / compositorSocket))
                return false;
            if (!xwayland)
                return true;
            auto server = findXwayland(pid);
            if (!server)
                return false;
            desktop->x_ = *server;
            return desktop->tools().managerNamed();
        },
        30s);
    if (!ready || !desktop->mutter_->running())
        return "mutter did not start: " + desktop->mutter_->errorOutput();
    // Mutter takes its names on the bus a moment after its socket is there.
    std::string failed;
    bool session = waitFor(
        [&] {
            try {
                desktop->connection_ =
                    sdbus::createSessionBusConnectionWithAddress(desktop->bus_->address());
                auto remote = sdbus::createProxy(*desktop->connection_, remoteService,
                                                 "/org/gnome/Mutter/RemoteDesktop");
                sdbus::ObjectPath path;
                remote->callMethod("CreateSession")
                    .onInterface("org.gnome.Mutter.RemoteDesktop")
                    .storeResultsTo(path);
                desktop->remote_ = sdbus::createProxy(*desktop->connection_, remoteService, path);
                desktop->remote_->callMethod("Start").onInterface(sessionInterface);
                return true;
            } catch (const sdbus::Error& failure) {
                failed = failure.what();
                desktop->remote_.reset();
                return false;
            }
        },
        10s);
    if (!session)
        return "no remote desktop session: " + failed;
    // The session's pointer takes a moment to join the seat; steps before that are lost. Into
    // the top-left corner, where the screen stops it, twice over.
    for (int i = 0; i < 2; ++i) {
        std::this_thread::sleep_for(200ms);
        if (!desktop->moveBy(-100000, -100000))
            return std::string("the remote desktop pointer does not move");
    }
    desktop->pointerX_ = 0;
    desktop->pointerY_ = 0;
    return std::unique_ptr<Desktop>(std::move(desktop));
}

MutterDesktop::~MutterDesktop() {
    remote_.reset();
    connection_.reset();
    if (mutter_)
        mutter_->stop(SIGTERM, 10s);
}

Environment MutterDesktop::clientEnvironment(Environment base) const {
    return x_.clientEnvironment(
        compositorClientEnvironment(std::move(base), folder_.path(), *bus_));
}

bool MutterDesktop::moveBy(double dx, double dy) {
    try {
        remote_->callMethod("NotifyPointerMotionRelative")
            .onInterface(sessionInterface)
            .withArguments(dx, dy);
    } catch (const sdbus::Error&) {
        return false;
    }
    return true;
}

bool MutterDesktop::pointer(const std::vector<std::string>& steps) {
    try {
        for (const auto& step : steps) {
            if (step == "down" || step == "up") {
                remote_->callMethod("NotifyPointerButton")
                    .onInterface(sessionInterface)
                    .withArguments(std::int32_t{BTN_LEFT}, step == "down");
            } else {
                int x = std::stoi(step);
                int y = std::stoi(step.substr(step.find(',') + 1));
                if (!moveBy(x - pointerX_, y - pointerY_))
                    return false;
                pointerX_ = x;
                pointerY_ = y;
            }
            // Time for the window under the pointer to see each step on its own.
            std::this_thread::sleep_for(30ms);
        }
    } catch (const sdbus::Error&) {
        return false;
    }
    return true;
}

}  // namespace sonaris::testing
