#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ui/geometry.hpp"

namespace sonaris::platform::desktop {

// Where on its monitor the live widget stands, whatever the window system.
enum class Anchor { topLeft, top, topRight, left, center, right, bottomLeft, bottom, bottomRight };

struct Placement {
    Anchor anchor = Anchor::center;
    // The gap in points between the widget and the edges it is anchored to.
    ui::Point margin;
    // The monitor by the desktop's name for it (XRandR's output name, wl_output's name); unset:
    // the primary one.
    std::optional<std::string> output;

    bool operator==(const Placement&) const = default;
};

// "top-left", "center", ...; nothing for any other word.
std::optional<Anchor> anchorNamed(std::string_view name);
std::string_view nameOf(Anchor anchor);

// The widget's top-left corner inside a monitor's area, in the monitor's own units (the margin
// is scaled by `unitsPerPoint`). Edges the anchor does not touch centre the widget on that axis.
ui::Point placedOrigin(Anchor anchor, ui::Point margin, const ui::Rect& monitor, ui::Size widget,
                       double unitsPerPoint);

}  // namespace sonaris::platform::desktop
