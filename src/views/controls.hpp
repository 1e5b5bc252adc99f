#pragma once

#include <string>

#include "platform/ui/color.hpp"
#include "platform/ui/view.hpp"
#include "platform/ui/views.hpp"

namespace sonaris::views {

// A filled round dot of `side` points: play-state indicators and the recording marks.
platform::ui::ViewNode StatusDot(platform::ui::Color fill, double side);

// A compact white symbol on a coloured rounded tile `width` × 24 points.
platform::ui::ViewNode IconButton(std::string systemName, double fontSize, double width,
                                  platform::ui::Color background);

// A wide transport button: two children side by side in white on a rounded tile that grows to
// any width and is at least 30 points high.
platform::ui::ViewNode TransportButton(platform::ui::ViewNode first, platform::ui::ViewNode second,
                                       platform::ui::Color background);

// A studio-tool button: an icon above a short label on an outlined card that grows to any width
// and is at least 46 points high.
platform::ui::ViewNode ToolButton(platform::ui::ViewNode icon,
                                  const platform::ui::LocalizedStringKey& label);

}  // namespace sonaris::views
