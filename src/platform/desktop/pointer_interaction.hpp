#pragma once

#include <optional>
#include <string>

#include "platform/desktop/backend.hpp"
#include "platform/desktop/placement_store.hpp"
#include "platform/desktop/press_gesture.hpp"
#include "platform/foundation/url.hpp"
#include "platform/ui/geometry.hpp"
#include "platform/ui/layout.hpp"

namespace sonaris::platform::desktop {

enum class PointerLook { arrow, hand };

// The pointer over the live widget, whatever the window system: clicks on controls, drags of
// the whole card, the pressed control's darkening and the hand over controls. The loop hands it
// each pointer event, in widget points and in the monitor's units, and carries out what it says.
class PointerInteraction {
  public:
    struct Effects {
        std::optional<foundation::URL> open;  // a click to hand to the URL opener
        std::optional<Placement> place;       // where the widget is to stand now (dragging)
        std::optional<Placement> dropped;     // a drag ended here: keep it
        std::optional<PointerLook> look;      // a new cursor
        bool redraw = false;                  // the pressed control changed
    };

    // `onCard`: whether the press is on the card; one beside it is the desktop's.
    // Without a geometry (a window system that has not said where the window is yet) the press
    // can only be a click.
    Effects press(ui::Point inWidget, ui::Point onMonitor,
                  const std::optional<WindowGeometry>& geometry, const ui::LayoutResult& laidOut,
                  bool onCard);
    Effects motion(ui::Point inWidget, ui::Point onMonitor, const ui::LayoutResult& laidOut);
    Effects release(ui::Point inWidget, const ui::LayoutResult& laidOut);
    // The pointer left: a click is given up. A drag goes on (the window system keeps sending
    // the pointer to the window it was pressed on, even when it outruns the window).
    Effects leave();

    // The control to draw pressed.
    std::optional<ui::Rect> pressedControl() const { return pressedControl_; }
    bool dragging() const { return gesture_ && gesture_->dragging(); }

  private:
    Effects lookAt(ui::Point inWidget, const ui::LayoutResult& laidOut);
    // Ends whatever press there is (a drag keeps where it got to).
    Effects forget();

    std::optional<PressGesture> gesture_;
    std::optional<WindowGeometry> geometry_;
    std::optional<Placement> lastPlace_;
    std::optional<ui::Rect> pressedControl_;
    PointerLook look_ = PointerLook::arrow;
};

}  // namespace sonaris::platform::desktop
