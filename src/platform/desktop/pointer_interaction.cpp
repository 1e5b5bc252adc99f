#include "platform/desktop/pointer_interaction.hpp"

#include "platform/ui/hit_test.hpp"

namespace sonaris::platform::desktop {

PointerInteraction::Effects PointerInteraction::lookAt(ui::Point inWidget,
                                                       const ui::LayoutResult& laidOut) {
    Effects effects;
    PointerLook look =
        !dragging() && ui::linkAt(laidOut, inWidget) ? PointerLook::hand : PointerLook::arrow;
    if (look != look_) {
        look_ = look;
        effects.look = look;
    }
    return effects;
}

PointerInteraction::Effects PointerInteraction::press(ui::Point inWidget, ui::Point onMonitor,
                                                      const std::optional<WindowGeometry>& geometry,
                                                      const ui::LayoutResult& laidOut,
                                                      bool onCard) {
    Effects effects = forget();
    if (!onCard)
        return effects;
    gesture_.emplace(onMonitor, geometry ? geometry->window : ui::Rect{},
                     geometry ? geometry->unitsPerPoint : 1, ui::hitTest(laidOut, inWidget));
    geometry_ = geometry;
    if (auto link = ui::linkAt(laidOut, inWidget)) {
        pressedControl_ = link->frame;
        effects.redraw = true;
    }
    return effects;
}

PointerInteraction::Effects PointerInteraction::motion(ui::Point inWidget, ui::Point onMonitor,
                                                       const ui::LayoutResult& laidOut) {
    if (!gesture_)
        return lookAt(inWidget, laidOut);
    Effects effects;
    if (!geometry_)
        return effects;  // nowhere known to drag it to: a click
    bool wasDragging = gesture_->dragging();
    auto rect = gesture_->moveTo(onMonitor);
    if (!rect)
        return effects;  // still a click
    // A drag darkens nothing and points with the arrow.
    if (!wasDragging) {
        effects.redraw = pressedControl_.has_value();
        pressedControl_.reset();
        look_ = PointerLook::arrow;
        effects.look = PointerLook::arrow;
    }
    auto place =
        placementAt(*rect, geometry_->monitor, geometry_->unitsPerPoint, geometry_->output);
    if (place != lastPlace_) {
        lastPlace_ = place;
        effects.place = place;
    }
    return effects;
}

PointerInteraction::Effects PointerInteraction::release(ui::Point inWidget,
                                                        const ui::LayoutResult& laidOut) {
    Effects effects;
    if (gesture_) {
        if (gesture_->dragging()) {
            effects.dropped = lastPlace_;
        } else if (gesture_->target() && ui::hitTest(laidOut, inWidget) == gesture_->target()) {
            // A click opens what was pressed only if it is released over the same target.
            effects.open = gesture_->target();
        }
    }
    effects.redraw = pressedControl_.has_value();
    gesture_.reset();
    geometry_.reset();
    lastPlace_.reset();
    pressedControl_.reset();
    Effects look = lookAt(inWidget, laidOut);
    effects.look = look.look;
    return effects;
}

PointerInteraction::Effects PointerInteraction::leave() {
    if (dragging())
        return {};
    return forget();
}

PointerInteraction::Effects PointerInteraction::forget() {
    Effects effects;
    effects.redraw = pressedControl_.has_value();
    if (dragging())
        effects.dropped = lastPlace_;
    gesture_.reset();
    geometry_.reset();
    lastPlace_.reset();
    pressedControl_.reset();
    if (look_ != PointerLook::arrow) {
        look_ = PointerLook::arrow;
        effects.look = look_;
    }
    return effects;
}

}  // namespace sonaris::platform::desktop
