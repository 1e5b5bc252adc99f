#include "platform/desktop/live_widget_session.hpp"

#include <poll.h>

#include <chrono>
#include <cmath>

#include "platform/render/desktop_card.hpp"
#include "platform/render/painter.hpp"
#include "platform/runtime/host_folders.hpp"
#include "platform/ui/hit_test.hpp"

namespace sonaris::platform::desktop {

namespace {

// A save is usually several events (create, write, rename); one reload after the first settles
// them all, without letting a steady trickle of writes delay it.
constexpr auto settleTime = std::chrono::milliseconds(50);

}  // namespace

LiveWidgetSession::LiveWidgetSession(const runtime::WidgetConfiguration& configuration,
                                     const LiveWidgetRequest& request, runtime::Streams streams,
                                     LiveLoop& loop, DesktopWindow& window)
    : configuration_(configuration),
      request_(request),
      streams_(streams),
      loop_(loop),
      window_(window),
      opener_([this](const std::string& line) { runtime::reportError(streams_.err, line); }) {}

void LiveWidgetSession::refresh() {
    // A timeline asked for with SIGTERM waiting would only delay the end.
    if (loop_.quitPending())
        return;
    auto now = foundation::Date::now();
    auto next = runtime::requestTimeline(
        configuration_, runtime::contextFor(request_.family, request_.points), now);
    loop_.setWallClockDeadline(runtime::liveReloadDate(next, now), [this] { refresh(); });
    // A host that rewrites its files without changing them (a chatty player) costs a read, not
    // a layout, a paint and a new picture on the screen.
    bool same = current_ && current_->entry.showsSameAs && current_->entry.showsSameAs(next.entry);
    pictureStale_ = pictureStale_ || !same;
    current_ = std::move(next);
}

void LiveWidgetSession::drawIfDue() {
    if (!current_)
        return;
    auto scale = window_.pixelScale();
    if (!scale || (!pictureStale_ && window_.showsCurrentPicture()) || loop_.quitPending())
        return;
    laidOut_ = runtime::layOut(current_->entry, request_.family, request_.points, *scale);
    auto raster = render::paint(*laidOut_, *scale);
    render::clipToDesktopCard(raster, *scale);
    window_.present(std::move(raster));
    pictureStale_ = false;
    if (!accessibilityAsked_)
        startAccessibility();
    if (accessibility_) {
        shownPlacement_ = accessiblePlacement();
        accessibility_->show(*laidOut_, shownPlacement_);
    }
}

void LiveWidgetSession::startAccessibility() {
    accessibilityAsked_ = true;
    accessibility_ = accessibility::LiveAccessibility::start(
        configuration_.displayName + " Widget",
        [this](const foundation::URL& url) { opener_.open(url); });
    if (!accessibility_)
        return;
    const auto request = accessibility_->pollRequest();
    accessibilitySource_ =
        loop_.addSource(request.fd, request.events, [this](short) { accessibility_->dispatch(); });
}

accessibility::WindowPlacement LiveWidgetSession::accessiblePlacement() const {
    // X11 says where the window stands, in pixels; a Wayland surface has only its own
    // coordinates, which are points.
    const auto extents = window_.extents();
    const auto scale = window_.pixelScale();
    if (!extents || !scale)
        return {1.0, std::nullopt};
    return {*scale, std::pair{static_cast<int>(std::lround(extents->x)),
                              static_cast<int>(std::lround(extents->y))}};
}

void LiveWidgetSession::pollAccessibility() {
    if (!accessibility_)
        return;
    // A window dragged or moved to another monitor is found where it now stands.
    if (auto placement = accessiblePlacement(); laidOut_ && placement != shownPlacement_) {
        shownPlacement_ = placement;
        accessibility_->show(*laidOut_, shownPlacement_);
    }
    const auto request = accessibility_->pollRequest();
    loop_.setEvents(accessibilitySource_, request.events);
    if (accessibilityDeadline_)
        loop_.cancelDeadline(*accessibilityDeadline_);
    accessibilityDeadline_.reset();
    if (request.deadline)
        accessibilityDeadline_ = loop_.addDeadline(*request.deadline, [this] {
            accessibilityDeadline_.reset();
            accessibility_->dispatch();
        });
}

void LiveWidgetSession::beforePoll() {
    for (;;) {
        drawIfDue();
        switch (window_.prepare()) {
            case Prepared::waiting:
                loop_.setEvents(display_, window_.pollEvents());
                pollAccessibility();
                return;
            case Prepared::dispatched:
                continue;
            case Prepared::failed:
                runtime::reportError(streams_.err, window_.failure());
                loop_.quit(runtime::exitOutputFailed);
                return;
        }
    }
}

void LiveWidgetSession::hostFilesChanged() {
    if (!watch_->readEvents() || settling_)
        return;
    settling_ = loop_.addDeadline(LiveLoop::Clock::now() + settleTime, [this] {
        settling_.reset();
        refresh();
    });
}

void LiveWidgetSession::pointer(const PointerEvent& event) {
    using Kind = PointerEvent::Kind;
    // Beside the card is the desktop's, even where no shape keeps clicks away.
    bool onCard = render::desktopCardContains(request_.points, event.at);
    switch (event.kind) {
        case Kind::motion:
            break;
        case Kind::leave:
            pressed_.reset();
            break;
        case Kind::press:
            if (event.primaryButton && laidOut_ && onCard)
                pressed_ = ui::hitTest(*laidOut_, event.at);
            break;
        case Kind::release:
            // A tap opens what was pressed only if it is released over the same target.
            if (event.primaryButton && pressed_ && laidOut_ && onCard &&
                ui::hitTest(*laidOut_, event.at) == pressed_)
                opener_.open(*pressed_);
            if (event.primaryButton)
                pressed_.reset();
            break;
    }
}

int LiveWidgetSession::run() {
    watch_ = HostFolderWatch::create(runtime::hostFoldersOf(configuration_));
    if (watch_)
        loop_.addSource(watch_->fd(), POLLIN, [this](short) { hostFilesChanged(); });
    else
        runtime::reportError(
            streams_.err, "cannot watch the host's folders; changes show at the next reload date");
    loop_.onChildExited([this] { opener_.reap(); });
    window_.setCallbacks({
        .pointer = [this](const PointerEvent& event) { pointer(event); },
        .outputsChanged = {},
        .closeRequested = [this] { loop_.quit(runtime::exitSuccess); },
    });
    display_ = loop_.addSource(
        window_.fd(), POLLIN,
        [this](short revents) {
            if (!window_.dispatch(revents)) {
                runtime::reportError(streams_.err, window_.failure());
                loop_.quit(runtime::exitOutputFailed);
            }
        },
        true);
    loop_.beforePoll([this] { beforePoll(); });
    refresh();
    return loop_.run();
}

}  // namespace sonaris::platform::desktop
