#include "platform/ui/text_layout.hpp"

#include "platform/ui/utf8.hpp"

#include <pango/pangocairo.h>

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
// do not change with the scale the text is later drawn at.
class TextContext {
  public:
    TextContext()
        : fontMap_(pango_cairo_font_map_new()),
          context_(pango_font_map_create_context(fontMap_.get())) {
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

PangoContext* threadContext() {
    thread_local TextContext context;
    return context.get();
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

int pangoUnits(double points) {
    if (!(points > 0))
        return 0;
    const double units = std::floor(points * PANGO_SCALE);
    return units >= G_MAXINT ? -1 : static_cast<int>(units);
}

}  // namespace

PangoLayoutPtr makeTextLayout(std::string_view text, const Font& font, std::optional<double> width,
                              std::optional<int> lineLimit) {
    PangoLayoutPtr layout(pango_layout_new(threadContext()));
    auto description = fontDescription(font);
    pango_layout_set_font_description(layout.get(), description.get());
    // Pango stops at the first invalid byte or NUL; broken state text is repaired, not cut.
    const std::string clean = repairedUtf8(text);
    pango_layout_set_text(layout.get(), clean.data(), static_cast<int>(clean.size()));

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
                 std::optional<int> lineLimit) {
    PangoLayoutPtr layout = makeTextLayout(text, font, proposal.width, lineLimit);
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
