#pragma once

#include <optional>
#include <string_view>

#include "platform/ui/environment.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::runtime {

// A family as the command line takes it: `small` or `systemSmall`, and so on.
std::optional<ui::WidgetFamily> familyNamed(std::string_view name);

// The family's full name, as the configuration and the tree JSON print it ("systemSmall").
std::string_view familyName(ui::WidgetFamily family);

// The family's short name, as PNG file names use it ("small").
std::string_view familyShortName(ui::WidgetFamily family);

// The size in points of a widget of the family on the desktop.
ui::Size defaultSize(ui::WidgetFamily family);

}  // namespace sonaris::platform::runtime
