#pragma once

#include <string_view>

#include "platform/ui/font.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::ui {

// The box a symbol takes when set in `font`, like a text glyph of that size; an unknown name
// takes the box of an average glyph and draws nothing.
Size symbolSize(std::string_view systemName, const Font& font);

}  // namespace sonaris::platform::ui
