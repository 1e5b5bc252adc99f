#include "platform/desktop/wayland_widget.hpp"

#include <linux/input-event-codes.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "platform/desktop/accessibility/live_accessibility.hpp"
#include "platform/desktop/live_event_queue.hpp"
#include "platform/desktop/live_events.hpp"
#include "platform/desktop/url_opener.hpp"
#include "platform/desktop/wayland/wayland_connection.hpp"
#include "platform/desktop/wayland/widget_surface.hpp"
#include "platform/render/desktop_card.hpp"
#include "platform/render/painter.hpp"
#include "platform/runtime/current_entry.hpp"
#include "platform/runtime/host_folders.hpp"
#include "platform/ui/hit_test.hpp"

namespace sonaris::platform::desktop {

using namespace runtime;
using namespace wayland;

namespace {

using namespace std::chrono_literals;

// poll's timeout until `deadline`: -1 without one.
int millisecondsUntil(std::optional<std::chrono::steady_clock::time_point> deadline) {
    if (!deadline)
        return -1;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 60'000));
}

std::string outputNames(const WaylandConnection& connection) {
    std::string names;
    for (const auto& output : connection.outputs()) {
        if (output->name.empty())
            continue;
        names += names.empty() ? "" : ", ";
        names += output->name;
    }
    return names.empty() ? "none named" : names;
}

// Why the connection ended, in one line.
std::string connectionError(wl_display* display) {
    int error = wl_display_get_error(display);
    if (error == EPROTO) {
        const wl_interface* interface = nullptr;
        std::uint32_t id = 0;
        std::uint32_t code = wl_display_get_protocol_error(display, &interface, &id);
        return "the Wayland compositor ended the connection: protocol error " +
               std::to_string(code) + " on " + (interface ? interface->name : "an object");
    }
    return std::string("lost the connection to the Wayland compositor: ") +
           std::strerror(error ? error : errno);
}

class WaylandWidget {
  public:
    WaylandWidget(const WidgetConfiguration& configuration, const LiveWidgetRequest& request,
                  Streams streams, std::unique_ptr<WaylandConnection> connection)
        : configuration_(configuration),
          request_(request),
          streams_(streams),
          connection_(std::move(connection)),
          opener_([this](const std::string& line) { reportError(streams_.err, line); }) {}

    int run();

  private:
    void placeSurface();
    void refreshEntry();
    void drawIfDue();
    void pointer(const PointerEvent& event);
    bool handle(LiveEvent event);

    // First: the signals stay blocked until every thread below has ended.
    BlockedSignals signals_;
    const WidgetConfiguration& configuration_;
    LiveWidgetRequest request_;
    Streams streams_;
    std::unique_ptr<WaylandConnection> connection_;
    UrlOpener opener_;
    std::unique_ptr<WidgetSurface> surface_;
    LiveEventQueue queue_;
    // After the queue it posts to, so that its thread ends first.
    std::unique_ptr<LiveEventSource> source_;
    std::optional<CurrentEntry> current_;
    std::optional<ui::LayoutResult> laidOut_;
    bool pictureStale_ = true;
    bool warnedOutput_ = false;
    bool surfaceLost_ = false;
    std::optional<ui::Point> pointerAt_;
    std::optional<foundation::URL> pressed_;
    // Only where the session has an accessibility bus.
    std::unique_ptr<desktop::accessibility::LiveAccessibility> accessibility_;
    bool accessibilityAsked_ = false;
};

void WaylandWidget::placeSurface() {
    surface_.reset();
    surfaceLost_ = false;
    pressed_.reset();
    pointerAt_.reset();
    // With no output at all there is nowhere to be; a new one brings the widget back.
    if (connection_->outputs().empty())
        return;
    wl_output* output = nullptr;
    if (const auto& wanted = request_.placement.output) {
        if (const auto* named = connection_->outputNamed(*wanted)) {
            output = named->output.get();
        } else if (!warnedOutput_) {
            reportError(streams_.err, "no output named \"" + *wanted +
                                          "\" (there are: " + outputNames(*connection_) +
                                          "); the compositor places the widget");
        }
    }
    warnedOutput_ = true;
    surface_ = std::make_unique<WidgetSurface>(
        *connection_, WidgetSurface::Options{request_.points, request_.placement, request_.scale},
        output);
    pictureStale_ = true;
}

void WaylandWidget::refreshEntry() {
    auto now = foundation::Date::now();
    current_ = requestTimeline(configuration_, contextFor(request_.family, request_.points), now);
    source_->scheduleReload(liveReloadDate(*current_, now));
    pictureStale_ = true;
}

void WaylandWidget::drawIfDue() {
    if (!surface_ || !current_ || !surface_->ready())
        return;
    if (!pictureStale_ && surface_->current())
        return;
    auto scale = surface_->drawingScale();
    laidOut_ = layOut(current_->entry, request_.family, request_.points, scale.scale);
    auto raster = render::paint(*laidOut_, scale.scale);
    render::clipToDesktopCard(raster, scale.scale);
    surface_->present(raster, scale);
    pictureStale_ = false;
    // Readers get extents in the surface's own coordinates, which are points: the compositor
    // tells no client where its surface stands.
    // Asked once the first picture is up, so that the bus libraries, where they are loaded, do
    // not come on top of the first drawing's memory.
    if (!accessibilityAsked_) {
        accessibilityAsked_ = true;
        accessibility_ = desktop::accessibility::LiveAccessibility::start(
            configuration_.displayName + " Widget",
            [this](const foundation::URL& url) { opener_.open(url); });
    }
    if (accessibility_)
        accessibility_->show(*laidOut_, {1.0, std::nullopt});
}

void WaylandWidget::pointer(const PointerEvent& event) {
    if (!surface_ || event.surface != surface_->surface()) {
        pointerAt_.reset();
        pressed_.reset();
        return;
    }
    switch (event.kind) {
        case PointerEvent::Kind::enter:
        case PointerEvent::Kind::motion:
            pointerAt_ = ui::Point{event.x, event.y};
            break;
        case PointerEvent::Kind::leave:
            pointerAt_.reset();
            pressed_.reset();
            break;
        case PointerEvent::Kind::press:
            if (event.button == BTN_LEFT && pointerAt_ && laidOut_ &&
                render::desktopCardContains(request_.points, *pointerAt_))
                pressed_ = ui::hitTest(*laidOut_, *pointerAt_);
            break;
        case PointerEvent::Kind::release:
            // A tap opens what was pressed only if it is released over the same target.
            if (event.button == BTN_LEFT && pressed_ && pointerAt_ && laidOut_ &&
                render::desktopCardContains(request_.points, *pointerAt_) &&
                ui::hitTest(*laidOut_, *pointerAt_) == pressed_)
                opener_.open(*pressed_);
            if (event.button == BTN_LEFT)
                pressed_.reset();
            break;
    }
}

bool WaylandWidget::handle(LiveEvent event) {
    switch (event) {
        case LiveEvent::hostFilesChanged:
        case LiveEvent::reloadDue:
            refreshEntry();
            return true;
        case LiveEvent::childExited:
            opener_.reap();
            return true;
        case LiveEvent::quitRequested:
            return false;
    }
    return true;
}

int WaylandWidget::run() {
    if (queue_.fd() < 0) {
        reportError(streams_.err, "cannot set up the widget's event queue");
        return exitOutputFailed;
    }
    source_ = LiveEventSource::start(
        signals_, hostFoldersOf(configuration_),
        [queue = &queue_](LiveEvent event) { queue->post(event); }, 50ms);
    if (!source_) {
        reportError(streams_.err, "cannot set up the widget's timers");
        return exitOutputFailed;
    }
    if (!source_->watchesHostFolders())
        reportError(streams_.err,
                    "cannot watch the host's folders; changes show at the next reload date");

    connection_->pointer = [this](const PointerEvent& event) { pointer(event); };
    connection_->outputRemoved = [this](const WaylandOutput& output) {
        if (!surface_)
            return;
        // The compositor closes a layer surface whose output goes, but one that does not would
        // leave the widget nowhere: it is made anew on another output either way.
        if (surface_->output() == output.output.get()) {
            surfaceLost_ = true;
            if (!output.name.empty())
                reportError(streams_.err, "output \"" + output.name +
                                              "\" is gone; the widget moves to another one");
        }
        surface_->forgetOutput(output.output.get());
    };
    connection_->outputChanged = [this](const WaylandOutput& output) {
        // The widget comes back to the output it was asked for when that one (re)appears, and
        // to any output when it had none.
        bool wanted = request_.placement.output && output.name == *request_.placement.output;
        if (!surface_ || (wanted && surface_->output() != output.output.get()))
            placeSurface();
    };

    refreshEntry();
    placeSurface();
    wl_display* display = connection_->display();
    int status = exitSuccess;
    for (;;) {
        if (surface_ && (surface_->closed() || surfaceLost_))
            placeSurface();
        drawIfDue();

        // Events already queued are handled (and drawn for) before the loop sleeps.
        if (wl_display_prepare_read(display) != 0) {
            if (wl_display_dispatch_pending(display) < 0) {
                status = exitOutputFailed;
                break;
            }
            continue;
        }
        // A full socket is written once the compositor has read some of it.
        short displayEvents = POLLIN;
        if (wl_display_flush(display) < 0) {
            if (errno != EAGAIN) {
                wl_display_cancel_read(display);
                status = exitOutputFailed;
                break;
            }
            displayEvents |= POLLOUT;
        }
        pollfd fds[3] = {
            {wl_display_get_fd(display), displayEvents, 0}, {queue_.fd(), POLLIN, 0}, {-1, 0, 0}};
        std::optional<std::chrono::steady_clock::time_point> deadline;
        if (accessibility_) {
            const auto request = accessibility_->pollRequest();
            fds[2] = {request.fd, request.events, 0};
            deadline = request.deadline;
        }
        int ready = poll(fds, 3, millisecondsUntil(deadline));
        if (ready < 0 && errno != EINTR) {
            wl_display_cancel_read(display);
            status = exitOutputFailed;
            break;
        }
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP))) {
            if (wl_display_read_events(display) < 0) {
                status = exitOutputFailed;
                break;
            }
        } else {
            wl_display_cancel_read(display);
        }
        if (wl_display_dispatch_pending(display) < 0) {
            status = exitOutputFailed;
            break;
        }
        if (accessibility_)
            accessibility_->dispatch();
        bool keepRunning = true;
        if (ready > 0 && (fds[1].revents & POLLIN))
            for (LiveEvent event : queue_.take())
                keepRunning = handle(event) && keepRunning;
        if (!keepRunning)
            break;
    }
    if (status != exitSuccess)
        reportError(streams_.err, connectionError(display));
    accessibility_.reset();
    source_.reset();
    surface_.reset();
    return status;
}

}  // namespace

std::optional<int> runWaylandWidget(const WidgetConfiguration& configuration,
                                    const LiveWidgetRequest& request, Streams streams) {
    auto connection = WaylandConnection::connect();
    if (!connection)
        return std::nullopt;
    WaylandWidget widget(configuration, request, streams, std::move(connection));
    return widget.run();
}

}  // namespace sonaris::platform::desktop
