#include "platform/runtime/wayland/wayland_widget.hpp"

namespace sonaris::platform::runtime::wayland {

std::optional<int> runWaylandWidget(const WidgetConfiguration&, const LiveWidgetRequest&, Streams) {
    return std::nullopt;
}

}  // namespace sonaris::platform::runtime::wayland
