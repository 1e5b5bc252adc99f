#include "platform/render/symbol_glyphs.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/render/cairo_handles.hpp"
#include "platform/render/shape_path.hpp"

namespace sonaris::platform::render {

namespace {

constexpr double pi = std::numbers::pi;

// Glyphs are drawn in em units: the font size is 1, the origin the ink box's top-left corner.
struct Glyph {
    std::string_view name;
    double width;
    double height;
    void (*draw)(cairo_t*);
};

// A filled convex polygon, listed clockwise on screen, grown by `round` with round corners: the
// shape a round-joined stroke of twice that width would give, built from arcs so that it is a
// single fill.
void roundedPolygon(cairo_t* cr, std::initializer_list<std::array<double, 2>> points,
                    double round) {
    const std::vector<std::array<double, 2>> p(points);
    const std::size_t n = p.size();
    auto normalAngle = [&](std::size_t from) {
        const auto& a = p[from];
        const auto& b = p[(from + 1) % n];
        // Outward for a clockwise outline in y-down coordinates.
        return std::atan2(-(b[0] - a[0]), b[1] - a[1]);
    };
    cairo_new_sub_path(cr);
    for (std::size_t i = 0; i < n; ++i) {
        double from = normalAngle((i + n - 1) % n);
        double to = normalAngle(i);
        if (to < from)
            to += 2 * pi;
        cairo_arc(cr, p[i][0], p[i][1], round, from, to);
    }
    cairo_close_path(cr);
    cairo_fill(cr);
}

void capsuleBar(cairo_t* cr, double x, double y, double width, double height) {
    appendRoundedRectPath(cr, {x, y, width, height}, std::min(width, height) / 2,
                          ui::RoundedCornerStyle::circular);
}

void drawPlay(cairo_t* cr) {
    constexpr double r = 0.05;
    roundedPolygon(cr, {{r, r * 1.6}, {0.70 - r * 1.8, 0.40}, {r, 0.80 - r * 1.6}}, r);
}

void drawPause(cairo_t* cr) {
    appendRoundedRectPath(cr, {0, 0, 0.22, 0.78}, 0.05, ui::RoundedCornerStyle::circular);
    appendRoundedRectPath(cr, {0.40, 0, 0.22, 0.78}, 0.05, ui::RoundedCornerStyle::circular);
    cairo_fill(cr);
}

// Two triangles pointing left, the second's tip touching the first's base.
void drawBackward(cairo_t* cr) {
    constexpr double r = 0.04;
    roundedPolygon(cr, {{r * 1.8, 0.33}, {0.65 - r, r * 1.6}, {0.65 - r, 0.66 - r * 1.6}}, r);
    roundedPolygon(cr, {{0.65 + r * 1.8, 0.33}, {1.30 - r, r * 1.6}, {1.30 - r, 0.66 - r * 1.6}},
                   r);
}

void drawForward(cairo_t* cr) {
    cairo_translate(cr, 1.30, 0);
    cairo_scale(cr, -1, 1);
    drawBackward(cr);
}

// An eighth note: an oval head, a stem rising from its right side, and a broad flag.
void drawMusicNote(cairo_t* cr) {
    {
        CairoSaved saved(cr);
        cairo_translate(cr, 0.21, 0.80);
        cairo_rotate(cr, -0.35);
        cairo_scale(cr, 0.21, 0.155);
        cairo_arc(cr, 0, 0, 1, 0, 2 * pi);
    }
    cairo_fill(cr);
    cairo_rectangle(cr, 0.34, 0.08, 0.08, 0.72);
    cairo_fill(cr);
    roundedPolygon(cr, {{0.36, 0.03}, {0.60, 0.12}, {0.60, 0.32}, {0.38, 0.23}}, 0.02);
}

// A microphone capsule held in a U-shaped stand on a stem and foot.
void drawMicrophone(cairo_t* cr) {
    capsuleBar(cr, 0.19, 0, 0.28, 0.62);
    cairo_fill(cr);
    cairo_set_line_width(cr, 0.07);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_arc_negative(cr, 0.33, 0.40, 0.27, pi, 0);
    cairo_stroke(cr);
    cairo_move_to(cr, 0.33, 0.68);
    cairo_line_to(cr, 0.33, 0.90);
    cairo_move_to(cr, 0.17, 0.93);
    cairo_line_to(cr, 0.49, 0.93);
    cairo_stroke(cr);
}

// Three horizontal tracks, each with an upright knob at a different place.
void drawSliders(cairo_t* cr) {
    constexpr std::array<double, 3> rows = {0.12, 0.42, 0.72};
    constexpr std::array<double, 3> knobs = {0.70, 0.30, 0.58};
    cairo_set_line_width(cr, 0.07);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (double y : rows) {
        cairo_move_to(cr, 0.05, y);
        cairo_line_to(cr, 0.97, y);
    }
    cairo_stroke(cr);
    for (std::size_t i = 0; i < rows.size(); ++i)
        appendRoundedRectPath(cr, {knobs[i] - 0.075, rows[i] - 0.12, 0.15, 0.24}, 0.05,
                              ui::RoundedCornerStyle::circular);
    cairo_fill(cr);
}

// A disc with a play triangle cut out of it.
void drawPlayCircle(cairo_t* cr) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0.52, 0.52, 0.52, 0, 2 * pi);
    cairo_close_path(cr);
    cairo_move_to(cr, 0.41, 0.31);
    cairo_line_to(cr, 0.74, 0.52);
    cairo_line_to(cr, 0.41, 0.73);
    cairo_close_path(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(cr);
}

// Rounded vertical bars of varied heights, centred on one line.
void drawWaveform(cairo_t* cr) {
    constexpr std::array<double, 7> heights = {0.30, 0.60, 0.90, 0.47, 0.75, 0.39, 0.20};
    constexpr double bar = 0.08;
    constexpr double pitch = 0.163;
    for (std::size_t i = 0; i < heights.size(); ++i)
        capsuleBar(cr, static_cast<double>(i) * pitch, 0.45 - heights[i] / 2, bar, heights[i]);
    cairo_fill(cr);
}

// Boxes as the layout sizes them, so a glyph fills the frame it was given.
constexpr std::array<Glyph, 9> glyphs = {{
    {"play.fill", 0.70, 0.80, drawPlay},
    {"pause.fill", 0.62, 0.78, drawPause},
    {"backward.fill", 1.30, 0.66, drawBackward},
    {"forward.fill", 1.30, 0.66, drawForward},
    {"music.note", 0.62, 0.96, drawMusicNote},
    {"mic.fill", 0.66, 1.00, drawMicrophone},
    {"slider.horizontal.3", 1.02, 0.84, drawSliders},
    {"play.circle.fill", 1.04, 1.04, drawPlayCircle},
    {"waveform", 1.06, 0.90, drawWaveform},
}};

const Glyph* findGlyph(std::string_view name) {
    const auto* found =
        std::find_if(glyphs.begin(), glyphs.end(), [&](const Glyph& g) { return g.name == name; });
    return found == glyphs.end() ? nullptr : found;
}

}  // namespace

std::optional<ui::Size> symbolGlyphSize(std::string_view systemName, double fontSize) {
    const Glyph* glyph = findGlyph(systemName);
    if (!glyph)
        return std::nullopt;
    return ui::Size{glyph->width * fontSize, glyph->height * fontSize};
}

bool drawSymbol(cairo_t* cr, std::string_view systemName, const ui::Rect& frame, double fontSize) {
    const Glyph* glyph = findGlyph(systemName);
    if (!glyph)
        return false;
    if (!(fontSize > 0) || !(frame.width > 0) || !(frame.height > 0))
        return true;
    const double em =
        std::min({fontSize, frame.width / glyph->width, frame.height / glyph->height});
    CairoSaved saved(cr);
    const ui::Point centre = frame.center();
    cairo_translate(cr, centre.x - glyph->width * em / 2, centre.y - glyph->height * em / 2);
    cairo_scale(cr, em, em);
    cairo_new_path(cr);
    glyph->draw(cr);
    return true;
}

}  // namespace sonaris::platform::render
