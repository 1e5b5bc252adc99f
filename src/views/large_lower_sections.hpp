#pragma once

#include <optional>
#include <vector>

#include "platform/ui/view.hpp"
#include "state/widget_track_info.hpp"

namespace sonaris::views {

// The sections of the large layout below the transport row. Each is a child of its own in the
// layout's column, so the column's spacing also parts them.

// A rule between the transport row and the tools.
platform::ui::ViewNode SectionDivider();

platform::ui::ViewNode ToolsHeading();

// Links to screen recording, audio recording and the editor.
platform::ui::ViewNode ToolsRow();

// The heading and list of the history queue; neither exists when the history is empty.
std::optional<platform::ui::ViewNode> HistoryHeading(
    const std::vector<state::WidgetTrackInfo>& recentTracks);
// The first two history rows at most, in list order.
std::optional<platform::ui::ViewNode> HistoryList(
    const std::vector<state::WidgetTrackInfo>& recentTracks);

}  // namespace sonaris::views
