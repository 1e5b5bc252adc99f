#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ui/font.hpp"
#include "platform/ui/geometry.hpp"

using PangoLayout = struct _PangoLayout;

namespace sonaris::platform::ui {

struct PangoLayoutDeleter {
    void operator()(PangoLayout* layout) const;
};
using PangoLayoutPtr = std::unique_ptr<PangoLayout, PangoLayoutDeleter>;

// The area a text is set for when no widget says: larger than any widget family.
inline constexpr Size defaultTextArea{1024, 1024};

// Text set in a font, wrapped or cut to `width` when given: with a line limit of 1 the text
// stays on one line, ends at its first line break and ends in an ellipsis when it does not fit
// or goes on past the break. Layout and drawing both make their text here, on a per-thread
// Pango context whose metrics do not depend on the output scale, so a drawn line is exactly as
// wide as it was measured.
//
// Only as much of the text is set as can be seen in a widget of `area` points: a text far
// longer (a title of megabytes) would otherwise take seconds to shape for lines no one sees.
// A text drawn at a narrower width than it was measured at may be cut shorter; what shows of it
// is the same.
PangoLayoutPtr makeTextLayout(std::string_view text, const Font& font, std::optional<double> width,
                              std::optional<int> lineLimit, Size area = defaultTextArea);

// The size a text takes for a proposal, in points.
Size measureText(std::string_view text, const Font& font, ProposedSize proposal,
                 std::optional<int> lineLimit, Size area = defaultTextArea);

// What of a text is set for `area` (see makeTextLayout), its UTF-8 repaired; `cut` when that is
// not the whole text.
struct VisibleText {
    std::string text;
    bool cut = false;
};
VisibleText visibleText(std::string_view text, const Font& font, std::optional<double> width,
                        std::optional<int> lineLimit, Size area);

// makeTextLayout of what visibleText kept, for a caller that has it already; the same arguments.
PangoLayoutPtr makeTextLayout(const VisibleText& visible, const Font& font,
                              std::optional<double> width, std::optional<int> lineLimit);

}  // namespace sonaris::platform::ui
