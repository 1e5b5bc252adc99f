#pragma once

#include <optional>

#include "platform/desktop/live_widget_request.hpp"
#include "platform/runtime/program.hpp"
#include "platform/runtime/widget_configuration.hpp"

namespace sonaris::platform::desktop {

// Runs the live widget as a layer surface on the desktop layer of a Wayland compositor. Nothing
// when no compositor can be reached or it offers no layer shell, so that the caller can fall back
// to X11; otherwise the program's exit status.
std::optional<int> runWaylandWidget(const runtime::WidgetConfiguration& configuration,
                                    const LiveWidgetRequest& request, runtime::Streams streams);

}  // namespace sonaris::platform::desktop
