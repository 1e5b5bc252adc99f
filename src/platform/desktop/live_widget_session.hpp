#pragma once

#include <memory>
#include <optional>

#include "platform/desktop/accessibility/live_accessibility.hpp"
#include "platform/desktop/backend.hpp"
#include "platform/desktop/host_folder_watch.hpp"
#include "platform/desktop/live_loop.hpp"
#include "platform/desktop/live_widget_request.hpp"
#include "platform/desktop/url_opener.hpp"
#include "platform/foundation/url.hpp"
#include "platform/runtime/current_entry.hpp"
#include "platform/runtime/program.hpp"
#include "platform/runtime/widget_configuration.hpp"
#include "platform/ui/layout.hpp"

namespace sonaris::platform::desktop {

// The live widget itself, whatever window shows it: it asks for the timeline when the host's
// files settle after a change and at the timeline's reload date, draws when the entry or the
// window's scale calls for it, and opens what a tap on the card lands on. Everything runs on the
// loop's one thread.
class LiveWidgetSession {
  public:
    LiveWidgetSession(const runtime::WidgetConfiguration& configuration,
                      const LiveWidgetRequest& request, runtime::Streams streams, LiveLoop& loop,
                      DesktopWindow& window);
    LiveWidgetSession(const LiveWidgetSession&) = delete;
    LiveWidgetSession& operator=(const LiveWidgetSession&) = delete;

    // Runs until the widget is told to end; the exit status.
    int run();

  private:
    void refresh();
    void drawIfDue();
    void beforePoll();
    void hostFilesChanged();
    void pointer(const PointerEvent& event);
    // The accessibility bus: asked once the first picture is up, so that its libraries, where
    // they are loaded, do not come on top of the first drawing's memory; told of every redraw
    // and of every move of the window; polled on the loop like the display.
    void startAccessibility();
    accessibility::WindowPlacement accessiblePlacement() const;
    void pollAccessibility();

    const runtime::WidgetConfiguration& configuration_;
    LiveWidgetRequest request_;
    runtime::Streams streams_;
    LiveLoop& loop_;
    DesktopWindow& window_;
    UrlOpener opener_;
    std::optional<HostFolderWatch> watch_;
    std::optional<LiveLoop::Id> settling_;
    LiveLoop::Id display_ = 0;
    std::optional<runtime::CurrentEntry> current_;
    std::optional<ui::LayoutResult> laidOut_;
    bool pictureStale_ = true;
    std::optional<foundation::URL> pressed_;
    bool accessibilityAsked_ = false;
    std::unique_ptr<accessibility::LiveAccessibility> accessibility_;
    LiveLoop::Id accessibilitySource_ = 0;
    std::optional<LiveLoop::Id> accessibilityDeadline_;
    accessibility::WindowPlacement shownPlacement_;
};

}  // namespace sonaris::platform::desktop
