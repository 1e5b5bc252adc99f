#include "platform/desktop/live_widget_options.hpp"

namespace sonaris::platform::desktop {

std::optional<Backend> backendNamed(std::string_view name) {
    if (name == "x11")
        return Backend::x11;
    if (name == "wayland")
        return Backend::wayland;
    return std::nullopt;
}

}  // namespace sonaris::platform::desktop
