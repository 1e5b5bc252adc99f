#include "platform/desktop/live_widget_session.hpp"

#include <poll.h>

#include <chrono>
#include <cmath>

#include "platform/render/desktop_card.hpp"
#include "platform/render/painter.hpp"
#include "platform/runtime/host_folders.hpp"

namespace sonaris::platform::desktop {

namespace {

// A save is usually several events (create, write, rename); one reload after the first settles
// them all, without letting a steady trickle of writes delay it.
constexpr auto settleTime = std::chrono::milliseconds(50);

}  // namespace

LiveWidgetSession::LiveWidgetSession(const runtime::WidgetConfiguration& configuration,
                                     LiveProfile& profile, runtime::Streams streams, LiveLoop& loop,
                                     std::unique_ptr<DesktopWindow> window, OpenWindow reopen)
    : configuration_(configuration),
      profile_(profile),
      request_(profile.request()),
      streams_(streams),
      loop_(loop),
      window_(std::move(window)),
      reopen_(std::move(reopen)),
      opener_([this](const std::string& line) { runtime::reportError(streams_.err, line); }) {}

LiveWidgetSession::~LiveWidgetSession() {
    loop_.beforePoll({});
    loop_.onChildExited({});
}

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

void LiveWidgetSession::scheduleRedraw(std::optional<foundation::Date> date) {
    if (redraw_)
        loop_.cancelDeadline(*redraw_);
    redraw_.reset();
    if (!date)
        return;
    // The bar's next whole pixel, on the monotonic clock: a wall clock set meanwhile moves it at
    // most by a pixel's worth.
    double seconds = date->timeIntervalSinceReferenceDate -
                     foundation::Date::now().timeIntervalSinceReferenceDate;
    auto wait = std::chrono::milliseconds(
        static_cast<long long>(std::ceil(std::clamp(seconds, 0.0, 24.0 * 3600) * 1000)));
    redraw_ = loop_.addDeadline(LiveLoop::Clock::now() + wait, [this] {
        redraw_.reset();
        pictureStale_ = true;
    });
}

void LiveWidgetSession::drawIfDue() {
    if (!current_)
        return;
    // No scale: the window cannot show a picture now (a surface waiting for its frame, which a
    // hidden one never gets), so nothing is drawn and no redraw is asked for until it can.
    auto scale = window_->pixelScale();
    if (!scale || (!pictureStale_ && window_->showsCurrentPicture()) || loop_.quitPending())
        return;
    auto live = runtime::layOutLive(current_->entry, request_.family, request_.points, *scale,
                                    foundation::Date::now());
    laidOut_ = std::move(live.laidOut);
    auto raster = render::paint(*laidOut_, *scale, interaction_.pressedControl());
    render::clipToDesktopCard(raster, *scale);
    window_->present(std::move(raster));
    pictureStale_ = false;
    scheduleRedraw(live.nextRedraw);
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
    const auto extents = window_->extents();
    const auto scale = window_->pixelScale();
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
        switch (window_->prepare()) {
            case Prepared::waiting:
                loop_.setEvents(display_, window_->pollEvents());
                pollAccessibility();
                return;
            case Prepared::dispatched:
                continue;
            case Prepared::failed:
                runtime::reportError(streams_.err, window_->failure());
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

void LiveWidgetSession::settingsChanged() {
    profile_.settingsFolderChanged();
    auto deadline = profile_.settleDeadline();
    if (!deadline || settingsSettling_)
        return;
    settingsSettling_ = loop_.addDeadline(*deadline, [this] {
        settingsSettling_.reset();
        if (auto request = profile_.settle())
            applySettings(*request);
    });
}

void LiveWidgetSession::applySettings(const LiveWidgetRequest& request) {
    bool newContent = request.family != request_.family || request.points != request_.points;
    bool newWindow = newContent || request.scale != request_.scale;
    request_ = request;
    if (newContent)
        refresh();
    if (!newWindow) {
        window_->place(request.placement);
        return;
    }
    // Another size or scale is another window: the old one goes first, so that the new one
    // takes its place.
    interaction_.leave();
    loop_.removeSource(display_);
    window_.reset();
    window_ = reopen_(request_);
    if (!window_) {
        runtime::reportError(streams_.err, "cannot open the widget's window anew");
        loop_.quit(runtime::exitOutputFailed);
        return;
    }
    attachWindow();
    pictureStale_ = true;
}

void LiveWidgetSession::carryOut(const PointerInteraction::Effects& effects) {
    if (effects.open)
        opener_.open(*effects.open);
    if (effects.redraw)
        pictureStale_ = true;
    if (effects.place)
        window_->place(*effects.place);
    if (effects.dropped) {
        request_.placement = *effects.dropped;
        profile_.dropped(*effects.dropped);
    }
    if (effects.look)
        window_->setCursor(*effects.look == PointerLook::hand ? Cursor::hand : Cursor::standard);
}

void LiveWidgetSession::pointer(const PointerEvent& event) {
    using Kind = PointerEvent::Kind;
    if (!laidOut_)
        return;
    // Where the window system says nothing beyond the window, the pointer's place in the
    // window stands in: enough to click, not to drag.
    ui::Point onScreen = event.onScreen.value_or(event.at);
    switch (event.kind) {
        case Kind::motion:
            carryOut(interaction_.motion(event.at, onScreen, *laidOut_));
            break;
        case Kind::leave:
            carryOut(interaction_.leave());
            break;
        case Kind::press:
            if (event.primaryButton) {
                // Beside the card is the desktop's, even where no shape keeps clicks away.
                bool onCard = render::desktopCardContains(request_.points, event.at);
                auto geometry = event.onScreen ? window_->geometry() : std::nullopt;
                carryOut(interaction_.press(event.at, onScreen, geometry, *laidOut_, onCard));
            }
            break;
        case Kind::release:
            if (event.primaryButton)
                carryOut(interaction_.release(event.at, *laidOut_));
            break;
    }
}

void LiveWidgetSession::attachWindow() {
    window_->setCallbacks({
        .pointer = [this](const PointerEvent& event) { pointer(event); },
        .outputsChanged = {},
        .closeRequested = [this] { loop_.quit(runtime::exitSuccess); },
    });
    display_ = loop_.addSource(
        window_->fd(), POLLIN,
        [this](short revents) {
            if (!window_->dispatch(revents)) {
                runtime::reportError(streams_.err, window_->failure());
                loop_.quit(runtime::exitOutputFailed);
            }
        },
        true);
}

int LiveWidgetSession::run() {
    watch_ = HostFolderWatch::create(runtime::hostFoldersOf(configuration_));
    if (watch_)
        loop_.addSource(watch_->fd(), POLLIN, [this](short) { hostFilesChanged(); });
    else
        runtime::reportError(
            streams_.err, "cannot watch the host's folders; changes show at the next reload date");
    if (profile_.settingsFd() >= 0)
        loop_.addSource(profile_.settingsFd(), POLLIN, [this](short) { settingsChanged(); });
    if (profile_.instanceFd() >= 0)
        loop_.addSource(profile_.instanceFd(), POLLIN,
                        [this](short) { profile_.answerInstance(); });
    loop_.onChildExited([this] { opener_.reap(); });
    attachWindow();
    loop_.beforePoll([this] { beforePoll(); });
    refresh();
    return loop_.run();
}

}  // namespace sonaris::platform::desktop
