#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/desktop/accessibility/live_accessibility.hpp"
#include "platform/desktop/backend.hpp"
#include "platform/desktop/host_folder_watch.hpp"
#include "platform/desktop/live_loop.hpp"
#include "platform/desktop/live_profile.hpp"
#include "platform/desktop/live_widget_request.hpp"
#include "platform/desktop/pointer_interaction.hpp"
#include "platform/desktop/url_opener.hpp"
#include "platform/runtime/current_entry.hpp"
#include "platform/runtime/program.hpp"
#include "platform/runtime/widget_configuration.hpp"
#include "platform/ui/layout.hpp"

namespace sonaris::platform::desktop {

// The live widget itself, whatever window shows it: it asks for the timeline when the host's
// files settle after a change and at the timeline's reload date, draws when the entry, the
// window's scale or a moving bar calls for it, opens what a click on the card lands on, moves
// with a drag, and follows edits of its settings. Everything runs on the loop's one thread.
class LiveWidgetSession {
  public:
    // Opens a window for the request; null when none can be opened. Called again when an edit
    // of the settings asks for another size, family or scale.
    using OpenWindow = std::function<std::unique_ptr<DesktopWindow>(const LiveWidgetRequest&)>;

    LiveWidgetSession(const runtime::WidgetConfiguration& configuration, LiveProfile& profile,
                      runtime::Streams streams, LiveLoop& loop,
                      std::unique_ptr<DesktopWindow> window, OpenWindow reopen);
    ~LiveWidgetSession();
    LiveWidgetSession(const LiveWidgetSession&) = delete;
    LiveWidgetSession& operator=(const LiveWidgetSession&) = delete;

    // Runs until the widget is told to end; the exit status.
    int run();

  private:
    void attachWindow();
    void refresh();
    void drawIfDue();
    void beforePoll();
    void hostFilesChanged();
    void settingsChanged();
    void applySettings(const LiveWidgetRequest& request);
    void pointer(const PointerEvent& event);
    void carryOut(const PointerInteraction::Effects& effects);
    void scheduleRedraw(std::optional<foundation::Date> date);
    // The accessibility bus: asked once the first picture is up, so that its libraries, where
    // they are loaded, do not come on top of the first drawing's memory; told of every redraw
    // and of every move of the window; polled on the loop like the display.
    void startAccessibility();
    accessibility::WindowPlacement accessiblePlacement() const;
    void pollAccessibility();

    const runtime::WidgetConfiguration& configuration_;
    LiveProfile& profile_;
    LiveWidgetRequest request_;
    runtime::Streams streams_;
    LiveLoop& loop_;
    std::unique_ptr<DesktopWindow> window_;
    OpenWindow reopen_;
    UrlOpener opener_;
    std::optional<HostFolderWatch> watch_;
    std::optional<LiveLoop::Id> settling_;
    std::optional<LiveLoop::Id> settingsSettling_;
    std::optional<LiveLoop::Id> redraw_;
    LiveLoop::Id display_ = 0;
    std::optional<runtime::CurrentEntry> current_;
    std::optional<ui::LayoutResult> laidOut_;
    bool pictureStale_ = true;
    PointerInteraction interaction_;
    bool accessibilityAsked_ = false;
    std::unique_ptr<accessibility::LiveAccessibility> accessibility_;
    LiveLoop::Id accessibilitySource_ = 0;
    std::optional<LiveLoop::Id> accessibilityDeadline_;
    accessibility::WindowPlacement shownPlacement_;
};

}  // namespace sonaris::platform::desktop
