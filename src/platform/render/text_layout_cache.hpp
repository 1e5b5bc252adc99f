#pragma once

#include <optional>
#include <string_view>

#include "platform/ui/font.hpp"
#include "platform/ui/text_layout.hpp"

using PangoLayout = struct _PangoLayout;

namespace sonaris::platform::render {

// The text layouts of recent paints on this thread, so that a widget redrawn with the same
// texts does not shape them all again. They are known by what of each text is set, so a long
// text is neither copied nor compared whole. The layout returned stays valid until the next
// call on the same thread.
PangoLayout* cachedTextLayout(const ui::VisibleText& visible, const ui::Font& font, double width,
                              std::optional<int> lineLimit);

}  // namespace sonaris::platform::render
