#pragma once

#include "platform/desktop/live_widget_options.hpp"
#include "platform/runtime/program.hpp"
#include "platform/runtime/widget_configuration.hpp"

namespace sonaris::platform::desktop {

// Shows the widget on the desktop until it is told to end; returns the process exit status.
int runLiveWidget(const runtime::WidgetConfiguration& configuration,
                  const LiveWidgetOptions& options, runtime::Streams streams);

}  // namespace sonaris::platform::desktop
