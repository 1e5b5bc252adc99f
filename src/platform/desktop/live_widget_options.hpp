#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/desktop/placement.hpp"
#include "platform/ui/environment.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::desktop {

// The window system the live widget is shown through; automatic: Wayland's layer shell where
// there is one, X11 otherwise.
enum class Backend { automatic, x11, wayland };

// "x11" or "wayland"; nothing for any other word.
std::optional<Backend> backendNamed(std::string_view name);

// What `run` was told on its command line; each unset one comes from the settings file or its
// default.
struct LiveWidgetOptions {
    std::optional<ui::WidgetFamily> family;
    std::optional<double> scale;
    std::optional<ui::Size> size;
    std::optional<Anchor> anchor;
    std::optional<ui::Point> margin;
    std::optional<std::string> output;
    std::optional<std::string> name;  // the widget's table in the settings file
    std::optional<Backend> backend;
};

}  // namespace sonaris::platform::desktop
