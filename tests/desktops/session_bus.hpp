#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "cli/process.hpp"

namespace sonaris::testing {

// A private session bus (a dbus-daemon of its own) in `folder`, ended with the value.
class SessionBus {
  public:
    // Nothing when the daemon does not come up within a few seconds.
    static std::optional<SessionBus> start(const std::filesystem::path& folder);

    const std::string& address() const { return address_; }

  private:
    SessionBus(BackgroundProcess daemon, std::string address)
        : daemon_(std::move(daemon)), address_(std::move(address)) {}

    BackgroundProcess daemon_;
    std::string address_;
};

// The Wayland socket the test compositors (KWin, Mutter) open in their runtime folder.
inline constexpr const char* compositorSocket = "wayland-sonaris";

// What a compositor started in `folder` runs with: a home, settings and runtime folder (made by
// the caller) of its own there, and the bus.
Environment compositorEnvironment(const std::filesystem::path& folder, const SessionBus& bus);

// What a client of that compositor needs over `base`: its Wayland socket in the runtime folder,
// and the bus.
Environment compositorClientEnvironment(Environment base, const std::filesystem::path& folder,
                                        const SessionBus& bus);

// Polls `done` every 20 ms until it holds or `limit` passes; whether it held.
bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit);

}  // namespace sonaris::testing
