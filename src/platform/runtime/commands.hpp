#pragma once

#include <ostream>
#include <string_view>

#include "platform/runtime/command_line.hpp"
#include "platform/runtime/widget_configuration.hpp"

namespace sonaris::platform::runtime {

// Where a command prints.
struct Streams {
    std::ostream& out;
    std::ostream& err;
};

inline constexpr int exitSuccess = 0;
inline constexpr int exitOutputFailed = 1;
inline constexpr int exitUsage = 2;

// Prints "sonaris-widget: <message>" as one line on `err`.
void reportError(std::ostream& err, std::string_view message);

// The exit status once a command has printed everything: output that did not reach its
// destination (a full disk, a closed pipe) is a failure, not a success.
int finishOutput(Streams streams);

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
int runLiveWidget(const WidgetConfiguration& configuration, const Invocation& invocation,
                  Streams streams);

}  // namespace sonaris::platform::runtime
