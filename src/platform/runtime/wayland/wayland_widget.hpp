#pragma once

#include <optional>

#include "platform/desktop/live_session.hpp"
#include "platform/runtime/commands.hpp"
#include "platform/runtime/live_widget_request.hpp"
#include "platform/runtime/widget_configuration.hpp"

namespace sonaris::platform::runtime::wayland {

// Runs the live widget as a layer surface on the desktop layer of a Wayland compositor. Nothing
// when no compositor can be reached or it offers no layer shell, so that the caller can fall back
// to X11; otherwise the program's exit status.
std::optional<int> runWaylandWidget(const WidgetConfiguration& configuration,
                                    desktop::LiveSession& session, Streams streams);

}  // namespace sonaris::platform::runtime::wayland
