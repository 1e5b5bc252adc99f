#pragma once

#include <optional>
#include <string_view>

#include "platform/ui/font.hpp"
#include "platform/ui/text_layout.hpp"

using PangoLayout = struct _PangoLayout;

namespace sonaris::platform::render {

// The text layouts of recent paints on this thread, so that a widget redrawn with the same
// texts does not shape them all again. The layout returned stays valid until the next call on
// the same thread.
PangoLayout* cachedTextLayout(std::string_view text, const ui::Font& font, double width,
                              std::optional<int> lineLimit, ui::Size area);

}  // namespace sonaris::platform::render
