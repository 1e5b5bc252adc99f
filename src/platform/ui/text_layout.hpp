#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "platform/ui/font.hpp"
#include "platform/ui/geometry.hpp"

using PangoLayout = struct _PangoLayout;

namespace sonaris::platform::ui {

struct PangoLayoutDeleter {
    void operator()(PangoLayout* layout) const;
};
using PangoLayoutPtr = std::unique_ptr<PangoLayout, PangoLayoutDeleter>;

// Text set in a font, wrapped or cut to `width` when given: with a line limit of 1 the text
// stays on one line and ends in an ellipsis when it does not fit. Layout and drawing both make
// their text here, on a per-thread Pango context whose metrics do not depend on the output
// scale, so a drawn line is exactly as wide as it was measured.
PangoLayoutPtr makeTextLayout(std::string_view text, const Font& font,
                              std::optional<double> width, std::optional<int> lineLimit);

// The size a text takes for a proposal, in points.
Size measureText(std::string_view text, const Font& font, ProposedSize proposal,
                 std::optional<int> lineLimit);

}  // namespace sonaris::platform::ui
