#include "platform/ui/symbols.hpp"

#include <array>
#include <cmath>

namespace sonaris::platform::ui {

namespace {

// A symbol's box in ems of the font it is set in, at regular weight. Heights run from about
// the cap height (filled transport glyphs) to the ascender (glyphs with a stem or a ring), as
// a symbol font's medium scale does; widths follow each glyph's drawing.
struct SymbolMetrics {
    std::string_view name;
    double width;
    double height;
};

constexpr std::array symbolMetrics{
    SymbolMetrics{"waveform", 1.06, 0.90},         SymbolMetrics{"play.fill", 0.70, 0.80},
    SymbolMetrics{"pause.fill", 0.62, 0.78},       SymbolMetrics{"backward.fill", 1.32, 0.72},
    SymbolMetrics{"forward.fill", 1.32, 0.72},     SymbolMetrics{"music.note", 0.62, 0.96},
    SymbolMetrics{"mic.fill", 0.66, 1.00},         SymbolMetrics{"slider.horizontal.3", 1.02, 0.84},
    SymbolMetrics{"play.circle.fill", 1.04, 1.04},
};

// An average glyph of a text face, for names without a drawing.
constexpr SymbolMetrics unknownSymbol{"", 0.60, 0.80};

// Heavier strokes widen a glyph's outline a little on each side.
double weightGrowth(FontWeight weight) {
    switch (weight) {
        case FontWeight::regular:
            return 0;
        case FontWeight::medium:
            return 0.01;
        case FontWeight::semibold:
            return 0.02;
        case FontWeight::bold:
            return 0.035;
    }
    return 0;
}

}  // namespace

Size symbolSize(std::string_view systemName, const Font& font) {
    SymbolMetrics metrics = unknownSymbol;
    for (const SymbolMetrics& candidate : symbolMetrics)
        if (candidate.name == systemName)
            metrics = candidate;
    const double size = std::isfinite(font.size) && font.size > 0 ? font.size : 0;
    const double growth = weightGrowth(font.resolvedWeight());
    return {(metrics.width + growth) * size, (metrics.height + growth) * size};
}

}  // namespace sonaris::platform::ui
