#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/accessibility/bridge.hpp"
#include "platform/foundation/shared_library.hpp"
#include "platform/foundation/url.hpp"
#include "platform/ui/layout.hpp"

namespace sonaris::platform::desktop::accessibility {

// The live widget's side of the accessibility bus: it describes each redraw to the bridge and
// opens a control's own link when a reader clicks it. The bridge and the D-Bus libraries under
// it are loaded only where the session has a bus, so a widget without one pays nothing.
class LiveAccessibility {
  public:
    using OpenLink = std::function<void(const foundation::URL&)>;

    // Unset, silently, where there is no session bus, no accessibility launcher installed or on
    // it, or no bridge module installed.
    static std::unique_ptr<LiveAccessibility> start(std::string applicationName, OpenLink openLink);

    Bridge::PollRequest pollRequest() { return bridge_->pollRequest(); }
    void dispatch() { bridge_->dispatch(); }

    // After each redraw.
    void show(const ui::LayoutResult& laidOut, const WindowPlacement& placement);

    LiveAccessibility(const LiveAccessibility&) = delete;
    LiveAccessibility& operator=(const LiveAccessibility&) = delete;
    ~LiveAccessibility();

  private:
    LiveAccessibility(foundation::SharedLibrary module, std::string applicationName,
                      OpenLink openLink);
    void activate(std::size_t index);

    foundation::SharedLibrary module_;
    std::string applicationName_;
    OpenLink openLink_;
    std::vector<std::optional<foundation::URL>> links_;
    std::unique_ptr<Bridge> bridge_;  // last: it calls back into the members above
};

// Whether the session has a bus to ask: an address in the environment, or the user's bus socket.
bool sessionBusExpected();
// Whether an accessibility launcher can be there: its D-Bus service file is installed in one of
// the session's data folders.
bool launcherInstalled();

}  // namespace sonaris::platform::desktop::accessibility
