#pragma once

#include <optional>

#include "platform/foundation/url.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::desktop {

// One left press on the card, from press to release: a click on the control it pressed or, once
// the pointer has travelled more than a few points, a drag of the whole widget, after which the
// release opens nothing. Positions are in the monitor's units (X11: root pixels; Wayland: the
// output's points), `unitsPerPoint` of them a point.
class PressGesture {
  public:
    // Travel, in points, that a click's jitter stays under.
    static constexpr double dragDistance = 4;

    PressGesture(ui::Point pointer, ui::Rect widget, double unitsPerPoint,
                 std::optional<foundation::URL> target)
        : start_(pointer), widget_(widget), unitsPerPoint_(unitsPerPoint), target_(target) {}

    // Where the widget is to stand with the pointer at `pointer`; nothing while it is a click.
    std::optional<ui::Rect> moveTo(ui::Point pointer) {
        double dx = pointer.x - start_.x;
        double dy = pointer.y - start_.y;
        double travel = dragDistance * unitsPerPoint_;
        if (!dragging_ && dx * dx + dy * dy <= travel * travel)
            return std::nullopt;
        dragging_ = true;
        target_.reset();
        return ui::Rect{widget_.x + dx, widget_.y + dy, widget_.width, widget_.height};
    }

    bool dragging() const { return dragging_; }
    // What the press would open on release; nothing once it is a drag.
    const std::optional<foundation::URL>& target() const { return target_; }

  private:
    ui::Point start_;
    ui::Rect widget_;
    double unitsPerPoint_;
    std::optional<foundation::URL> target_;
    bool dragging_ = false;
};

}  // namespace sonaris::platform::desktop
