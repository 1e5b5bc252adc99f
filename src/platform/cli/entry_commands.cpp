#include "platform/cli/commands.hpp"
#include "platform/cli/json_output.hpp"
#include "platform/runtime/current_entry.hpp"
#include "platform/runtime/family_names.hpp"

namespace sonaris::platform::cli {

using namespace runtime;

int printEntry(const WidgetConfiguration& configuration, const Invocation& invocation,
               Streams streams) {
    auto family = invocation.familyOrSmall();
    auto context = contextFor(family, invocation.size.value_or(defaultSize(family)));
    switch (invocation.command) {
        case Command::placeholder:
            writeEntryJson(streams.out, configuration.placeholder(context));
            break;
        case Command::snapshot:
            writeEntryJson(streams.out, configuration.snapshot(context));
            break;
        default: {
            auto current = requestTimeline(configuration, context, foundation::Date::now());
            writeTimelineEntryJson(streams.out, current.entry, current.reloadDate);
        }
    }
    streams.out << '\n';
    return finishOutput(streams);
}

int printConfiguration(const WidgetConfiguration& configuration, Streams streams) {
    streams.out << configurationJson(configuration) << '\n';
    return finishOutput(streams);
}

}  // namespace sonaris::platform::cli
