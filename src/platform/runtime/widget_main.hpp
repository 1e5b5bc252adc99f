#pragma once

#include "platform/runtime/widget_configuration.hpp"

namespace sonaris::platform::runtime {

// Runs a widget from the command line (render, timeline, snapshot, placeholder, tree, tap,
// config, run); returns the process exit status.
int widgetMain(const WidgetConfiguration& configuration, int argc, char** argv);

}  // namespace sonaris::platform::runtime
