#include "desktops/session_bus.hpp"

#include <thread>

namespace sonaris::testing {

using namespace std::chrono_literals;

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

Environment compositorEnvironment(const std::filesystem::path& folder, const SessionBus& bus) {
    return {{"PATH", "/usr/bin:/bin"},
            {"HOME", folder.string()},
            {"XDG_CONFIG_HOME", (folder / "config").string()},
            {"XDG_RUNTIME_DIR", (folder / "runtime").string()},
            {"DBUS_SESSION_BUS_ADDRESS", bus.address()}};
}

Environment compositorClientEnvironment(Environment base, const std::filesystem::path& folder,
                                        const SessionBus& bus) {
    base["WAYLAND_DISPLAY"] = compositorSocket;
    base["XDG_RUNTIME_DIR"] = (folder / "runtime").string();
    base["DBUS_SESSION_BUS_ADDRESS"] = bus.address();
    return base;
}

std::optional<SessionBus> SessionBus::start(const std::filesystem::path& folder) {
    auto socket = folder / "bus";
    ProcessOptions options;
    options.arguments = {"--session", "--nofork", "--nopidfile",
                         "--address=unix:path=" + socket.string()};
    options.environment = {{"PATH", "/usr/bin:/bin"}};
    auto daemon = BackgroundProcess::start("/usr/bin/dbus-daemon", options);
    if (!daemon || !waitFor([&] { return std::filesystem::exists(socket); }, 10s))
        return std::nullopt;
    return SessionBus(std::move(*daemon), "unix:path=" + socket.string());
}

}  // namespace sonaris::testing
