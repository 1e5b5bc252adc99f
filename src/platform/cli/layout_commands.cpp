#include "platform/cli/commands.hpp"
#include "platform/runtime/current_entry.hpp"
#include "platform/runtime/family_names.hpp"
#include "platform/ui/hit_test.hpp"
#include "platform/ui/tree_json.hpp"

namespace sonaris::platform::cli {

using namespace runtime;

namespace {

ui::LayoutResult layOutCurrentEntry(const WidgetConfiguration& configuration,
                                    const Invocation& invocation) {
    auto family = invocation.familyOrSmall();
    auto size = invocation.size.value_or(defaultSize(family));
    auto current =
        requestTimeline(configuration, contextFor(family, size), foundation::Date::now());
    return layOut(current.entry, family, size, invocation.scale.value_or(2));
}

}  // namespace

int printTree(const WidgetConfiguration& configuration, const Invocation& invocation,
              Streams streams) {
    auto laidOut = layOutCurrentEntry(configuration, invocation);
    streams.out << ui::treeJson(laidOut, familyName(invocation.familyOrSmall())) << '\n';
    return finishOutput(streams);
}

int printTap(const WidgetConfiguration& configuration, const Invocation& invocation,
             Streams streams) {
    auto laidOut = layOutCurrentEntry(configuration, invocation);
    if (auto url = ui::hitTest(laidOut, invocation.tapPoint.value_or(ui::Point{})))
        streams.out << url->absoluteString() << '\n';
    return finishOutput(streams);
}

}  // namespace sonaris::platform::cli
