#pragma once

#include "platform/cli/command_line.hpp"
#include "platform/runtime/program.hpp"
#include "platform/runtime/widget_configuration.hpp"

namespace sonaris::platform::cli {

using runtime::exitOutputFailed;
using runtime::exitSuccess;
using runtime::exitUsage;
using runtime::finishOutput;
using runtime::reportError;
using runtime::Streams;
using runtime::WidgetConfiguration;

// timeline, snapshot and placeholder.
int printEntry(const WidgetConfiguration& configuration, const Invocation& invocation,
               Streams streams);
int printConfiguration(const WidgetConfiguration& configuration, Streams streams);
int printTree(const WidgetConfiguration& configuration, const Invocation& invocation,
              Streams streams);
int printTap(const WidgetConfiguration& configuration, const Invocation& invocation,
             Streams streams);
int renderPngs(const WidgetConfiguration& configuration, const Invocation& invocation,
               Streams streams);

}  // namespace sonaris::platform::cli
