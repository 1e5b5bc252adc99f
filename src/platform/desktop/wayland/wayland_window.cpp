#include "platform/desktop/wayland/wayland_window.hpp"

#include <linux/input-event-codes.h>
#include <poll.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace sonaris::platform::desktop::wayland {

namespace {

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

}  // namespace

std::unique_ptr<WaylandWindow> WaylandWindow::open(const WindowOptions& options) {
    auto connection = WaylandConnection::connect();
    if (!connection)
        return nullptr;
    std::unique_ptr<WaylandWindow> window(new WaylandWindow(options, std::move(connection)));
    window->placeSurface();
    return window;
}

WaylandWindow::WaylandWindow(const WindowOptions& options,
                             std::unique_ptr<WaylandConnection> connection)
    : options_(options), connection_(std::move(connection)) {
    connection_->pointer = [this](const wayland::PointerEvent& event) { pointer(event); };
    connection_->outputRemoved = [this](const WaylandOutput& output) {
        if (!surface_)
            return;
        // The compositor closes a layer surface whose output goes, but one that does not would
        // leave the widget nowhere: it is made anew on another output either way.
        if (surface_->output() == output.output.get()) {
            surfaceLost_ = true;
            if (!output.name.empty() && options_.notify)
                options_.notify("output \"" + output.name +
                                "\" is gone; the widget moves to another one");
        }
        surface_->forgetOutput(output.output.get());
        if (callbacks_.outputsChanged)
            callbacks_.outputsChanged();
    };
    connection_->outputChanged = [this](const WaylandOutput& output) {
        // The widget comes back to the output it was asked for when that one (re)appears, and
        // to any output when it had none.
        const auto& wanted = options_.placement.output;
        if (!surface_ ||
            (wanted && output.name == *wanted && surface_->output() != output.output.get()))
            placeSurface();
        if (callbacks_.outputsChanged)
            callbacks_.outputsChanged();
    };
}

int WaylandWindow::fd() const {
    return wl_display_get_fd(connection_->display());
}

void WaylandWindow::placeSurface() {
    surface_.reset();
    surfaceLost_ = false;
    pendingPlace_.reset();
    pressedAt_.reset();
    pointerAt_.reset();
    // With no output at all there is nowhere to be; a new one brings the widget back.
    if (connection_->outputs().empty())
        return;
    wl_output* output = nullptr;
    if (const auto& wanted = options_.placement.output) {
        if (const auto* named = connection_->outputNamed(*wanted)) {
            output = named->output.get();
        } else if (!warnedOutput_ && options_.notify) {
            options_.notify("no output named \"" + *wanted + "\" (there are: " +
                            outputNames(*connection_) + "); the compositor places the widget");
        }
    }
    warnedOutput_ = true;
    surface_ = std::make_unique<WidgetSurface>(
        *connection_, WidgetSurface::Options{options_.points, options_.placement, options_.scale},
        output);
}

void WaylandWindow::place(const Placement& placement) {
    if (placement == options_.placement)
        return;
    // A drag names the output the surface is on already: that is no move to another output.
    const WaylandOutput* on = surface_ ? surface_->shownOn() : nullptr;
    bool sameOutput = placement.output == options_.placement.output ||
                      (on && (!placement.output || on->name == *placement.output));
    options_.placement = placement;
    if (!surface_ || !sameOutput) {
        placeSurface();
        return;
    }
    // A layer surface cannot move itself: its anchor and margins change, at most once a frame,
    // so that a drag follows the pointer as fast as the compositor shows it and no faster.
    if (surface_->ready())
        surface_->place(placement);
    else
        pendingPlace_ = placement;
}

std::optional<WindowGeometry> WaylandWindow::geometry() const {
    if (!surface_)
        return std::nullopt;
    auto rect = surface_->rectOnOutput();
    const WaylandOutput* on = surface_->shownOn();
    if (!rect || !on)
        return std::nullopt;
    ui::Size output = on->logicalSize();
    std::optional<std::string> name;
    if (!on->name.empty())
        name = on->name;
    return WindowGeometry{*rect, {0, 0, output.width, output.height}, 1, name};
}

void WaylandWindow::setCursor(Cursor cursor) {
    cursor_ = cursor;
    if (!cursors_ && surface_) {
        const WaylandOutput* on = surface_->shownOn();
        cursors_ =
            PointerCursors::load(connection_->compositor(), connection_->shm(), on ? on->scale : 1);
    }
    if (cursors_ && pointerAt_)
        cursors_->show(connection_->pointerDevice(), connection_->pointerEnterSerial(),
                       cursor == Cursor::hand ? CursorShape::hand : CursorShape::arrow);
}

Prepared WaylandWindow::prepare() {
    if (surface_ && (surface_->closed() || surfaceLost_))
        placeSurface();
    if (pendingPlace_ && surface_ && surface_->ready()) {
        surface_->place(*pendingPlace_);
        pendingPlace_.reset();
    }
    wl_display* display = connection_->display();
    // Events already queued are handled (and drawn for) before the loop sleeps.
    if (wl_display_prepare_read(display) != 0)
        return wl_display_dispatch_pending(display) < 0 ? Prepared::failed : Prepared::dispatched;
    reading_ = true;
    // A full socket is written once the compositor has read some of it.
    events_ = POLLIN;
    if (wl_display_flush(display) < 0) {
        if (errno != EAGAIN) {
            wl_display_cancel_read(display);
            reading_ = false;
            return Prepared::failed;
        }
        events_ |= POLLOUT;
    }
    return Prepared::waiting;
}

bool WaylandWindow::dispatch(short revents) {
    wl_display* display = connection_->display();
    if (reading_) {
        reading_ = false;
        if (revents & (POLLIN | POLLERR | POLLHUP)) {
            if (wl_display_read_events(display) < 0)
                return false;
        } else {
            wl_display_cancel_read(display);
        }
    }
    return wl_display_dispatch_pending(display) >= 0;
}

std::string WaylandWindow::failure() const {
    wl_display* display = connection_->display();
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

std::optional<double> WaylandWindow::pixelScale() const {
    if (!surface_ || !surface_->ready())
        return std::nullopt;
    return surface_->drawingScale().scale;
}

bool WaylandWindow::showsCurrentPicture() const {
    return surface_ && surface_->current();
}

void WaylandWindow::present(render::Raster raster) {
    if (surface_ && surface_->ready())
        surface_->present(raster, surface_->drawingScale());
}

void WaylandWindow::pointer(const wayland::PointerEvent& event) {
    auto report = [&](desktop::PointerEvent::Kind kind, bool primary) {
        if (!callbacks_.pointer)
            return;
        // On the output, the pointer is where the surface stands plus where it is on it.
        std::optional<ui::Point> onOutput;
        auto rect = pressedAt_ ? pressedAt_ : surface_ ? surface_->rectOnOutput() : std::nullopt;
        if (rect && pointerAt_)
            onOutput = ui::Point{rect->x + pointerAt_->x, rect->y + pointerAt_->y};
        if (pressedAt_ && pressedPointer_ && movedSincePress_)
            onOutput = ui::Point{pressedAt_->x + pressedPointer_->x + movedSincePress_->x,
                                 pressedAt_->y + pressedPointer_->y + movedSincePress_->y};
        callbacks_.pointer({kind, pointerAt_.value_or(ui::Point{}), onOutput, primary});
    };
    if (!surface_ || event.surface != surface_->surface()) {
        if (pointerAt_) {
            pointerAt_.reset();
            report(desktop::PointerEvent::Kind::leave, false);
        }
        return;
    }
    switch (event.kind) {
        case wayland::PointerEvent::Kind::enter:
            // The cursor is the widget's to set on entering; it was whatever it last was.
            pointerAt_ = ui::Point{event.x, event.y};
            setCursor(cursor_);
            report(desktop::PointerEvent::Kind::motion, false);
            break;
        case wayland::PointerEvent::Kind::motion:
            pointerAt_ = ui::Point{event.x, event.y};
            report(desktop::PointerEvent::Kind::motion, false);
            break;
        case wayland::PointerEvent::Kind::moved: {
            if (!pressedAt_)
                return;
            const auto moved = movedSincePress_.value_or(ui::Point{});
            movedSincePress_ = ui::Point{moved.x + event.x, moved.y + event.y};
            report(desktop::PointerEvent::Kind::motion, false);
            break;
        }
        case wayland::PointerEvent::Kind::leave:
            pointerAt_.reset();
            report(desktop::PointerEvent::Kind::leave, false);
            break;
        case wayland::PointerEvent::Kind::press:
            if (pointerAt_)
                report(desktop::PointerEvent::Kind::press, event.button == BTN_LEFT);
            if (event.button == BTN_LEFT) {
                pressedAt_ = surface_->rectOnOutput();
                pressedPointer_ = pointerAt_;
                movedSincePress_.reset();
            }
            break;
        case wayland::PointerEvent::Kind::release:
            if (pointerAt_)
                report(desktop::PointerEvent::Kind::release, event.button == BTN_LEFT);
            if (event.button == BTN_LEFT) {
                pressedAt_.reset();
                movedSincePress_.reset();
            }
            break;
    }
}

}  // namespace sonaris::platform::desktop::wayland
