#pragma once

#include <cairo.h>

#include <optional>
#include <string_view>

#include "platform/ui/geometry.hpp"

namespace sonaris::platform::render {

// The ink box of a symbol at `fontSize`, in points; nothing for a name without a glyph.
std::optional<ui::Size> symbolGlyphSize(std::string_view systemName, double fontSize);

// Fills the symbol's outline with the current source, centred in `frame` at the size its font
// gives it and shrunk to fit when the frame is smaller. Draws nothing and answers false for an
// unknown name.
bool drawSymbol(cairo_t* cr, std::string_view systemName, const ui::Rect& frame, double fontSize);

}  // namespace sonaris::platform::render
