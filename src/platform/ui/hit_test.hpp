#pragma once

#include <optional>

#include "platform/foundation/url.hpp"
#include "platform/ui/geometry.hpp"
#include "platform/ui/layout.hpp"

namespace sonaris::platform::ui {

// A control (a Link) under a point, and where it stands.
struct LinkHit {
    foundation::URL destination;
    Rect frame;
};

// The front-most Link under `point`; the root's widget URL is no control.
std::optional<LinkHit> linkAt(const LayoutResult& laidOut, Point point);

// The URL a tap at `point` opens: the front-most Link under it, else the root's widget URL
// (anywhere inside the widget), else nothing.
std::optional<foundation::URL> hitTest(const LayoutResult& laidOut, Point point);

}  // namespace sonaris::platform::ui
