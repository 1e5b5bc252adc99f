#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/desktop/accessibility/accessible_tree.hpp"

namespace sonaris::platform::desktop::accessibility {

// The accessibility bus as the live widget drives it: one file descriptor and a deadline for
// its poll loop, and the tree to publish after each redraw. Made by the bridge module, which
// the widget opens only where there is a session bus.
class Bridge {
  public:
    struct PollRequest {
        int fd = -1;
        short events = 0;
        std::optional<std::chrono::steady_clock::time_point> deadline;
    };

    virtual ~Bridge() = default;

    // What to wait for next; asked before every wait.
    virtual PollRequest pollRequest() = 0;
    // Handles whatever is due, after the descriptor was ready or the deadline passed.
    virtual void dispatch() = 0;
    // The tree as just drawn; changes are announced once, here.
    virtual void show(const AccessibleTree& tree, const WindowPlacement& placement) = 0;
};

struct BridgeSetup {
    std::string applicationName;
    // A reader asked for the action of node `index` of the tree last shown.
    std::function<void(std::size_t index)> activate;
};

// The module's one entry point (C linkage, so that it is found by this name): fills `bridge`
// when the session has an accessibility bus, leaves it empty and says nothing otherwise.
using OpenBridge = void (*)(const BridgeSetup& setup, std::unique_ptr<Bridge>& bridge);
inline constexpr const char* openBridgeSymbol = "sonaris_accessibility_open_bridge";
inline constexpr const char* bridgeModuleFile = "sonaris-atspi.so";

}  // namespace sonaris::platform::desktop::accessibility
