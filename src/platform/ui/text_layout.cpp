#include "platform/ui/text_layout.hpp"

#include "platform/ui/utf8.hpp"
#include "platform/ui/widget_fonts.hpp"

#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace sonaris::platform::ui {

void PangoLayoutDeleter::operator()(PangoLayout* layout) const {
    g_object_unref(layout);
}

namespace {

struct GObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct FontOptionsDeleter {
    void operator()(cairo_font_options_t* options) const { cairo_font_options_destroy(options); }
};
struct FontDescriptionDeleter {
    void operator()(PangoFontDescription* description) const {
        pango_font_description_free(description);
    }
};

// Font maps and contexts are not thread-safe, so each thread that sets text gets its own. At 72
// dpi a Pango point is a layout point; with hinting off, glyph advances are the font's own and
// do not change with the scale the text is later drawn at. A null configuration is the
// desktop's.
class TextContext {
  public:
    explicit TextContext(FcConfig* fonts)
        : fontMap_(pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT)), context_(nullptr) {
        if (fonts)
            pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(fontMap_.get()), fonts);
        context_.reset(pango_font_map_create_context(fontMap_.get()));
        pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(fontMap_.get()), 72);
        std::unique_ptr<cairo_font_options_t, FontOptionsDeleter> options(
            cairo_font_options_create());
        cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
        pango_cairo_context_set_font_options(context_.get(), options.get());
        pango_cairo_context_set_resolution(context_.get(), 72);
        pango_context_set_round_glyph_positions(context_.get(), FALSE);
    }

    PangoContext* get() const { return context_.get(); }

  private:
    std::unique_ptr<PangoFontMap, GObjectDeleter> fontMap_;
    std::unique_ptr<PangoContext, GObjectDeleter> context_;
};

// The widget's own fonts where they have every character of the text, the desktop's where
// they do not (a script they lack), so that no character is left without a glyph.
PangoContext* threadContext(std::string_view text) {
    if (widgetFontsCover(text)) {
        thread_local TextContext widget(widgetFontConfig());
        return widget.get();
    }
    thread_local TextContext desktop(nullptr);
    return desktop.get();
}

PangoWeight pangoWeight(FontWeight weight) {
    switch (weight) {
        case FontWeight::regular:
            return PANGO_WEIGHT_NORMAL;
        case FontWeight::medium:
            return PANGO_WEIGHT_MEDIUM;
        case FontWeight::semibold:
            return PANGO_WEIGHT_SEMIBOLD;
        case FontWeight::bold:
            return PANGO_WEIGHT_BOLD;
    }
    return PANGO_WEIGHT_NORMAL;
}

std::unique_ptr<PangoFontDescription, FontDescriptionDeleter> fontDescription(const Font& font) {
    std::unique_ptr<PangoFontDescription, FontDescriptionDeleter> description(
        pango_font_description_new());
    // Fontconfig falls back from the named family for scripts and emoji it lacks.
    pango_font_description_set_family(
        description.get(), font.resolvedDesign() == FontDesign::rounded ? "Comfortaa" : "Inter");
    pango_font_description_set_weight(description.get(), pangoWeight(font.resolvedWeight()));
    const double size = std::isfinite(font.size) && font.size > 0 ? font.size : 0;
    pango_font_description_set_absolute_size(description.get(), size * PANGO_SCALE);
    return description;
}

// Where a one-line text ends: the first line break of any kind Unicode counts, or its end.
std::size_t firstLineBreak(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n' || c == '\r' || c == '\v' || c == '\f')
            return i;
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x85)
            return i;  // NEL
        if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(text[i + 2]) | 1) == 0xA9)
            return i;  // LINE SEPARATOR, PARAGRAPH SEPARATOR
    }
    return text.size();
}

// The first `count` characters of `text` (fewer when it is shorter), counting every byte that
// does not continue a UTF-8 sequence as one, so a broken sequence costs no more than a good one.
std::string_view firstCharacters(std::string_view text, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && characters++ == count)
            return text.substr(0, i);
    }
    return text;
}

int pangoUnits(double points) {
    if (!(points > 0))
        return 0;
    const double units = std::floor(points * PANGO_SCALE);
    return units >= G_MAXINT ? -1 : static_cast<int>(units);
}

}  // namespace

VisibleText visibleText(std::string_view text, const Font& font, std::optional<double> width,
                        std::optional<int> lineLimit, Size area) {
    VisibleText result;
    const bool oneLine = lineLimit && *lineLimit == 1;
    // No glyph that shows is narrower than a fifth of an em, nor a line lower than an em; the
    // margin covers an ellipsis and the shaping of the last glyphs seen. A text cut here goes on
    // past the edge of the area, or past the lines it can show, so what is seen, and where an
    // ellipsis falls, is as uncut.
    constexpr double narrowestGlyph = 0.2;
    constexpr double margin = 16;
    const double em = std::isfinite(font.size) && font.size > 0.5 ? font.size : 0.5;
    const auto bounded = [](double value) {
        return std::isfinite(value) && value > 0 ? std::min(value, 1e5) : 0.0;
    };
    const bool wraps = width && std::isfinite(*width);
    // A wrapping text breaks its lines at its own width, wider than the area or not; a line that
    // does not wrap shows no more than the area's width.
    const double lineWidth = wraps && !oneLine ? bounded(*width)
                             : wraps           ? std::min(bounded(*width), bounded(area.width))
                                               : bounded(area.width);
    const auto perLine =
        static_cast<std::size_t>(std::ceil(lineWidth / (narrowestGlyph * em)) + margin);
    double lines = std::ceil(bounded(area.height) / em) + 1;
    if (lineLimit && *lineLimit >= 1)
        lines = std::min(lines, static_cast<double>(*lineLimit));
    // One line more than is shown, so that the last one shown is cut as it would be.
    const auto shownLines = static_cast<std::size_t>(oneLine ? 1 : lines + 1);
    // Nothing past this is looked at, not even for a line break.
    const std::size_t budget = perLine * shownLines;

    std::string kept;
    if (oneLine) {
        const std::string_view part = firstCharacters(text, budget);
        const std::size_t lineBreak = firstLineBreak(part);
        kept.assign(part.substr(0, lineBreak));
        result.cut = kept.size() < text.size();
        // A text that goes on past its line break shows it went on, as one cut at its width.
        if (lineBreak < part.size())
            kept += "\u2026";
    } else if (!wraps) {
        // Unwrapped, each paragraph is a line of its own: the first lines, each cut at the area.
        // A paragraph longer than the whole budget ends the text.
        std::size_t at = 0;
        for (std::size_t line = 0; line < shownLines && at < text.size(); ++line) {
            const std::string_view rest = firstCharacters(text.substr(at), budget);
            const std::size_t end = firstLineBreak(rest);
            const std::string_view part = firstCharacters(rest.substr(0, end), perLine);
            kept.append(part);
            if (end == rest.size()) {
                at += part.size();
                break;
            }
            at += end;
            // The break itself, \r\n as one.
            const std::size_t breakLength = text.compare(at, 2, "\r\n") == 0 ? 2
                                            : static_cast<unsigned char>(text[at]) >= 0x80
                                                ? (text[at] == '\xC2' ? 2 : 3)
                                                : 1;
            if (part.size() < end)
                result.cut = true;
            kept.append(text.substr(at, breakLength));
            at += breakLength;
        }
        result.cut = result.cut || at < text.size();
    } else {
        const std::string_view part = firstCharacters(text, budget);
        result.cut = part.size() < text.size();
        kept.assign(part);
    }
    // Pango stops at the first invalid byte or NUL; broken state text is repaired, not cut.
    result.text = repairedUtf8(kept);
    return result;
}

PangoLayoutPtr makeTextLayout(std::string_view text, const Font& font, std::optional<double> width,
                              std::optional<int> lineLimit, Size area) {
    return makeTextLayout(visibleText(text, font, width, lineLimit, area), font, width, lineLimit);
}

PangoLayoutPtr makeTextLayout(const VisibleText& visible, const Font& font,
                              std::optional<double> width, std::optional<int> lineLimit) {
    PangoLayoutPtr layout(pango_layout_new(threadContext(visible.text)));
    auto description = fontDescription(font);
    pango_layout_set_font_description(layout.get(), description.get());
    pango_layout_set_text(layout.get(), visible.text.data(), static_cast<int>(visible.text.size()));

    const bool bounded = width && std::isfinite(*width);
    if (bounded) {
        // pangoUnits yields -1 (unbounded) only for widths beyond any real text.
        pango_layout_set_width(layout.get(), pangoUnits(*width));
        pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    }
    if (lineLimit && *lineLimit >= 1) {
        if (*lineLimit == 1)
            pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
        if (bounded) {
            pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
            pango_layout_set_height(layout.get(), -*lineLimit);
        }
    }
    return layout;
}

Size measureText(std::string_view text, const Font& font, ProposedSize proposal,
                 std::optional<int> lineLimit, Size area) {
    PangoLayoutPtr layout = makeTextLayout(text, font, proposal.width, lineLimit, area);
    PangoRectangle logical{};
    pango_layout_get_extents(layout.get(), nullptr, &logical);
    double width = static_cast<double>(logical.width) / PANGO_SCALE;
    if (proposal.width && std::isfinite(*proposal.width))
        width = std::min(width, std::max(*proposal.width, 0.0));
    double height = static_cast<double>(logical.height) / PANGO_SCALE;
    if (lineLimit && *lineLimit > 1) {
        // A limit counts lines of the whole text, not of each paragraph as Pango's does.
        const int lines = pango_layout_get_line_count(layout.get());
        if (lines > *lineLimit)
            height = height * *lineLimit / lines;
    }
    return {width, height};
}

}  // namespace sonaris::platform::ui
