#pragma once

#include <optional>

#include "platform/desktop/placement.hpp"
#include "platform/ui/environment.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::desktop {

// What the live widget is asked to show and where, once the command line and the widget's
// settings file are read.
struct LiveWidgetRequest {
    ui::WidgetFamily family = ui::WidgetFamily::systemSmall;
    ui::Size points;
    // Pixels per point; unset: the output's own.
    std::optional<double> scale;
    Placement placement;
};

}  // namespace sonaris::platform::desktop
