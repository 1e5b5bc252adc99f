#include "platform/render/painter.hpp"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>
#include <vector>

#include "platform/render/blur.hpp"
#include "platform/render/cairo_handles.hpp"
#include "platform/render/picture_shrink.hpp"
#include "platform/render/pixel_geometry.hpp"
#include "platform/render/shape_path.hpp"
#include "platform/render/symbol_glyphs.hpp"
#include "platform/render/text_layout_cache.hpp"
#include "platform/ui/text_layout.hpp"

namespace sonaris::platform::render {

namespace {

using ui::LaidOutView;
using ui::Rect;

// Larger rasters than this are refused rather than attempted: Cairo caps a side at 32767, and a
// widget never needs more.
constexpr int maxRasterSide = 16384;

// The system separator over a dark appearance.
constexpr ui::Color separatorColor = ui::Color::white(1, 0.1);

// Components are snapped to whole 8-bit steps first, so that an opaque colour lands on exactly
// the byte its value names instead of one short after Cairo's 16-bit truncation.
double quantized(double component) {
    if (!(component > 0))
        return 0;
    return std::round(std::min(component, 1.0) * 255) / 255;
}

void setSourceColor(cairo_t* cr, const ui::Color& c) {
    cairo_set_source_rgba(cr, quantized(c.red), quantized(c.green), quantized(c.blue),
                          quantized(c.alpha));
}

// Sets a colour or a gradient spread over `bounds` as the source.
void setSourceStyle(cairo_t* cr, const ui::ShapeStyle& style, const Rect& bounds) {
    if (const auto* color = std::get_if<ui::Color>(&style)) {
        setSourceColor(cr, *color);
        return;
    }
    const auto& gradient = std::get<ui::LinearGradient>(style);
    const auto& colors = gradient.gradient.colors;
    if (colors.size() < 2) {
        setSourceColor(cr, colors.empty() ? ui::Color::clear() : colors.front());
        return;
    }
    CairoPatternPtr pattern(
        cairo_pattern_create_linear(bounds.x + gradient.startPoint.x * bounds.width,
                                    bounds.y + gradient.startPoint.y * bounds.height,
                                    bounds.x + gradient.endPoint.x * bounds.width,
                                    bounds.y + gradient.endPoint.y * bounds.height));
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const ui::Color& c = colors[i];
        cairo_pattern_add_color_stop_rgba(
            pattern.get(), static_cast<double>(i) / (colors.size() - 1), quantized(c.red),
            quantized(c.green), quantized(c.blue), quantized(c.alpha));
    }
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
    cairo_set_source(cr, pattern.get());
}

bool isShape(ui::ViewType type) {
    return type == ui::ViewType::Circle || type == ui::ViewType::Capsule ||
           type == ui::ViewType::RoundedRectangle || type == ui::ViewType::Rectangle;
}

bool hasPaintModifier(const ui::ViewNode& node) {
    return node.find<ui::modifier::Fill>() || node.find<ui::modifier::Stroke>();
}

// A pixel buffer holding one layer of the tree, drawn in the same device coordinates as the
// context it goes back to.
struct PixelLayer {
    CairoSurfacePtr surface;
    PixelRect area;

    std::span<std::uint8_t> bytes() const {
        return {cairo_image_surface_get_data(surface.get()),
                static_cast<std::size_t>(cairo_image_surface_get_stride(surface.get())) *
                    static_cast<std::size_t>(area.height)};
    }
    int stride() const { return cairo_image_surface_get_stride(surface.get()); }
};

std::optional<PixelLayer> makePixelLayer(cairo_format_t format, const PixelRect& area) {
    if (area.empty() || area.width > maxRasterSide * 2 || area.height > maxRasterSide * 2)
        return std::nullopt;
    CairoSurfacePtr surface(cairo_image_surface_create(format, area.width, area.height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return std::nullopt;
    cairo_surface_set_device_offset(surface.get(), -area.x, -area.y);
    return PixelLayer{std::move(surface), area};
}

// Paints a layer's pixels back where they came from.
void paintPixelLayer(cairo_t* cr, const PixelLayer& layer) {
    CairoSaved saved(cr);
    cairo_identity_matrix(cr);
    cairo_set_source_surface(cr, layer.surface.get(), 0, 0);
    cairo_paint(cr);
}

class TreePainter {
  public:
    TreePainter(double scale, ui::Size area, std::optional<Rect> pressedControl = std::nullopt)
        : scale_(scale), area_(area), pressedControl_(pressedControl) {}

    void drawView(cairo_t* cr, const LaidOutView& view) {
        if (!view.node || view.layerFrames.empty())
            return;
        if (pressedControl_ && view.node->type == ui::ViewType::Link &&
            view.frame == *pressedControl_) {
            drawPressed(cr, view);
            return;
        }
        drawLayer(cr, view, view.layerFrames.size() - 1);
    }

  private:
    std::size_t modifierCount(const LaidOutView& view) const {
        return std::min(view.node->modifiers.size(), view.layerFrames.size() - 1);
    }

    // Draws the view with its first `depth` modifiers applied.
    void drawLayer(cairo_t* cr, const LaidOutView& view, std::size_t depth) {
        depth = std::min(depth, modifierCount(view));
        if (depth == 0) {
            drawContent(cr, view);
            return;
        }
        const std::size_t k = depth - 1;
        const Rect& frame = view.layerFrames[k];
        const ui::Modifier& modifier = view.node->modifiers[k];
        namespace m = ui::modifier;

        if (const auto* fill = std::get_if<m::Fill>(&modifier)) {
            drawLayer(cr, view, k);
            if (!isShape(view.node->type))
                return;
            appendShapePath(cr, shapeOf(view), frame);
            setSourceStyle(cr, fill->style, frame);
            cairo_fill(cr);
        } else if (const auto* stroke = std::get_if<m::Stroke>(&modifier)) {
            drawLayer(cr, view, k);
            if (!isShape(view.node->type) || !(stroke->lineWidth > 0))
                return;
            appendStrokeOutline(cr, shapeOf(view), frame, stroke->lineWidth);
            setSourceStyle(cr, stroke->style, frame);
            CairoSaved saved(cr);
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
            cairo_fill(cr);
        } else if (const auto* opacity = std::get_if<m::Opacity>(&modifier)) {
            drawWithOpacity(cr, view, k, opacity->value);
        } else if (const auto* blur = std::get_if<m::Blur>(&modifier)) {
            drawBlurred(cr, view, k, *blur);
        } else if (const auto* clipped = std::get_if<m::Clipped>(&modifier)) {
            CairoSaved saved(cr);
            cairo_set_antialias(
                cr, clipped->antialiased ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
            cairo_new_path(cr);
            cairo_rectangle(cr, frame.x, frame.y, frame.width, frame.height);
            cairo_clip(cr);
            cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
            drawLayer(cr, view, k);
        } else if (const auto* clip = std::get_if<m::ClipShape>(&modifier)) {
            CairoSaved saved(cr);
            cairo_set_antialias(cr,
                                clip->antialiased ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
            cairo_new_path(cr);
            appendShapePath(cr, clip->shape, frame);
            cairo_clip(cr);
            cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
            drawLayer(cr, view, k);
        } else if (std::holds_alternative<m::Overlay>(modifier)) {
            drawLayer(cr, view, k);
            if (k < view.modifierContent.size() && view.modifierContent[k])
                drawView(cr, *view.modifierContent[k]);
        } else if (std::holds_alternative<m::Background>(modifier)) {
            if (k < view.modifierContent.size() && view.modifierContent[k])
                drawView(cr, *view.modifierContent[k]);
            drawLayer(cr, view, k);
        } else if (const auto* shadow = std::get_if<m::Shadow>(&modifier)) {
            drawShadowed(cr, view, k, *shadow);
        } else {
            // Layout and environment modifiers leave the pixels as they are.
            drawLayer(cr, view, k);
        }
    }

    static ui::Shape shapeOf(const LaidOutView& view) {
        if (const auto* shape = std::get_if<ui::content::Shape>(&view.node->content))
            return shape->shape;
        return ui::Shape{};
    }

    void drawContent(cairo_t* cr, const LaidOutView& view) {
        const ui::ViewNode& node = *view.node;
        const Rect& frame = view.layerFrames.front();
        if (isShape(node.type)) {
            if (!hasPaintModifier(node)) {
                appendShapePath(cr, shapeOf(view), frame);
                setSourceColor(cr, view.environment.foregroundColor);
                cairo_fill(cr);
            }
        } else if (const auto* color = std::get_if<ui::content::Color>(&node.content)) {
            fillRect(cr, frame, color->color);
        } else if (const auto* gradient = std::get_if<ui::content::LinearGradient>(&node.content)) {
            cairo_rectangle(cr, frame.x, frame.y, frame.width, frame.height);
            setSourceStyle(cr, gradient->gradient, frame);
            cairo_fill(cr);
        } else if (node.type == ui::ViewType::Divider) {
            fillRect(cr, frame, separatorColor);
        } else if (const auto* text = std::get_if<ui::content::Text>(&node.content)) {
            drawText(cr, text->string, frame, view.environment);
        } else if (const auto* image = std::get_if<ui::content::Image>(&node.content)) {
            if (image->image) {
                drawCoverImage(cr, *image->image, frame);
            } else if (image->systemName) {
                setSourceColor(cr, view.environment.foregroundColor);
                drawSymbol(cr, *image->systemName, frame, view.environment.font.size);
            }
        }
        for (const LaidOutView& child : view.children)
            drawView(cr, child);
    }

    static void fillRect(cairo_t* cr, const Rect& frame, const ui::Color& color) {
        if (!(frame.width > 0) || !(frame.height > 0))
            return;
        cairo_rectangle(cr, frame.x, frame.y, frame.width, frame.height);
        setSourceColor(cr, color);
        cairo_fill(cr);
    }

    void drawText(cairo_t* cr, std::string_view string, const Rect& frame,
                  const ui::ResolvedEnvironment& environment) const {
        if (string.empty() || !(frame.width > 0))
            return;
        // A text taller than the widget (placed partly above it) shows as many lines as its
        // frame holds.
        const ui::Size area{area_.width, std::max(area_.height, frame.height)};
        const ui::VisibleText visible =
            ui::visibleText(string, environment.font, frame.width, environment.lineLimit, area);
        PangoLayout* layout =
            cachedTextLayout(visible, environment.font, frame.width, environment.lineLimit);
        if (!layout)
            return;
        // The layout's context already carries the font options, and its metrics do not depend
        // on the transform; updating it from `cr` would only bump its serial and make every
        // cached layout shape its text again.
        PangoRectangle logical{};
        pango_layout_get_extents(layout, nullptr, &logical);
        const double height = static_cast<double>(logical.height) / PANGO_SCALE;
        double top = frame.y + (frame.height - height) / 2;
        // A text cut to what the widget can show was measured, at its proposed width, with more
        // lines than may be set here; it starts where it would uncut, at the top of its frame.
        if (!environment.lineLimit && visible.cut)
            top = frame.y;
        cairo_move_to(cr, frame.x, top);
        setSourceColor(cr, environment.foregroundColor);
        pango_cairo_show_layout(cr, layout);
        cairo_new_path(cr);
    }

    void drawCoverImage(cairo_t* cr, const image::Image& image, const Rect& frame) const {
        // Inside a wide blur the layer is drawn on coarser pixels, and so is the picture.
        const image::PixelSize wanted = drawnPixelSize(frame, deviceScale(cr));
        if (wanted.width <= 0 || wanted.height <= 0)
            return;
        const std::shared_ptr<const image::Bitmap> bitmap = image.decoded(wanted);
        if (!bitmap || bitmap->size.width <= 0 || bitmap->size.height <= 0 ||
            bitmap->stride <
                cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, bitmap->size.width) ||
            bitmap->pixels.size() < static_cast<std::size_t>(bitmap->stride) * bitmap->size.height)
            return;
        // The cover is decoded once for its widest draw; narrower ones shrink it here first,
        // leaving Cairo no more than a bilinear step.
        double deviceWidth = frame.width, deviceHeight = frame.height;
        cairo_user_to_device_distance(cr, &deviceWidth, &deviceHeight);
        const image::PixelSize onScreen{static_cast<int>(std::ceil(std::abs(deviceWidth))),
                                        static_cast<int>(std::ceil(std::abs(deviceHeight)))};
        std::shared_ptr<const image::Bitmap> shrunk;
        if (bitmap->size.width * 3 > onScreen.width * 4 ||
            bitmap->size.height * 3 > onScreen.height * 4)
            shrunk = shrunkPicture(bitmap, onScreen);
        const image::Bitmap& picture = shrunk ? *shrunk : *bitmap;
        // Cairo only reads a source surface, so lending it the shared pixels is safe.
        CairoSurfacePtr surface(cairo_image_surface_create_for_data(
            const_cast<std::uint8_t*>(picture.pixels.data()), CAIRO_FORMAT_ARGB32,
            picture.size.width, picture.size.height, picture.stride));
        if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
            return;
        CairoPatternPtr pattern(cairo_pattern_create_for_surface(surface.get()));
        cairo_matrix_t matrix;
        cairo_matrix_init_scale(&matrix, picture.size.width / frame.width,
                                picture.size.height / frame.height);
        cairo_matrix_translate(&matrix, -frame.x, -frame.y);
        cairo_pattern_set_matrix(pattern.get(), &matrix);
        cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_GOOD);
        // Padding keeps the picture's edge pixels from fading into transparency.
        cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
        cairo_rectangle(cr, frame.x, frame.y, frame.width, frame.height);
        cairo_set_source(cr, pattern.get());
        cairo_fill(cr);
        // Drop the pattern before the surface that borrows the bitmap's pixels.
        cairo_set_source_rgb(cr, 0, 0, 0);
    }

    // A pressed control is drawn as it is, then darkened over its own pixels alone (as much as
    // each is covered), so that its shape, not its frame, darkens.
    void drawPressed(cairo_t* cr, const LaidOutView& view) {
        constexpr double darkening = 0.35;
        CairoSaved saved(cr);
        cairo_push_group(cr);
        drawLayer(cr, view, view.layerFrames.size() - 1);
        CairoPatternPtr control(cairo_pop_group(cr));
        cairo_set_source(cr, control.get());
        cairo_paint(cr);
        cairo_set_source_rgba(cr, 0, 0, 0, darkening);
        cairo_mask(cr, control.get());
    }

    void drawWithOpacity(cairo_t* cr, const LaidOutView& view, std::size_t depth, double opacity) {
        if (!(opacity > 0))
            return;
        if (opacity >= 1) {
            drawLayer(cr, view, depth);
            return;
        }
        const std::optional<Rect> ink = inkBounds(view, depth);
        if (!ink)
            return;
        const PixelRect area = deviceBounds(cr, *ink).intersected(deviceClipBounds(cr));
        if (area.empty())
            return;
        CairoSaved saved(cr);
        // The group is only as large as what the layer can touch.
        clipToPixels(cr, area);
        cairo_push_group(cr);
        drawLayer(cr, view, depth);
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, quantized(opacity));
    }

    static void clipToPixels(cairo_t* cr, const PixelRect& area) {
        cairo_matrix_t matrix;
        cairo_get_matrix(cr, &matrix);
        cairo_identity_matrix(cr);
        cairo_new_path(cr);
        cairo_rectangle(cr, area.x, area.y, area.width, area.height);
        cairo_set_matrix(cr, &matrix);
        cairo_clip(cr);
    }

    // Draws a layer into its own pixels, without the context's clip, so that effects see what
    // lies beyond it. With a `downscale` above 1 the layer is drawn that many times coarser:
    // `area` is then in those coarse pixels.
    std::optional<PixelLayer> renderLayer(cairo_t* cr, const LaidOutView& view, std::size_t depth,
                                          const PixelRect& area, int downscale = 1) {
        std::optional<PixelLayer> layer = makePixelLayer(CAIRO_FORMAT_ARGB32, area);
        if (!layer)
            return std::nullopt;
        CairoContextPtr context(cairo_create(layer->surface.get()));
        cairo_matrix_t matrix;
        cairo_get_matrix(cr, &matrix);
        if (downscale > 1) {
            cairo_matrix_t coarse;
            cairo_matrix_init_scale(&coarse, 1.0 / downscale, 1.0 / downscale);
            cairo_matrix_multiply(&matrix, &matrix, &coarse);
        }
        cairo_set_matrix(context.get(), &matrix);
        drawLayer(context.get(), view, depth);
        context.reset();
        cairo_surface_flush(layer->surface.get());
        return layer;
    }

    // Pixels per point on the context's target: the widget's scale, or less inside a layer that
    // a wide blur draws on coarser pixels.
    static double deviceScale(cairo_t* cr) {
        double x = 1, y = 0;
        cairo_user_to_device_distance(cr, &x, &y);
        return std::hypot(x, y);
    }

    static double sigmaPixels(double radius, double scale) {
        return std::isfinite(radius) && radius > 0 ? radius * scale : 0;
    }

    void drawBlurred(cairo_t* cr, const LaidOutView& view, std::size_t depth,
                     const ui::modifier::Blur& blur) {
        const double sigma = sigmaPixels(blur.radius, deviceScale(cr));
        if (sigma <= 0) {
            drawLayer(cr, view, depth);
            return;
        }
        const std::optional<Rect> ink = inkBounds(view, depth);
        if (!ink)
            return;
        const int spread = gaussianBlurExtent(sigma);
        // Content up to one spread outside the visible area still bleeds into it.
        const PixelRect area = deviceBounds(cr, *ink).inflated(spread).intersected(
            deviceClipBounds(cr).inflated(spread));
        if (area.empty())
            return;
        const int factor = blurDownscaleFactor(sigma);
        const PixelRect coarse = coarsened(area, factor);
        std::optional<PixelLayer> layer = renderLayer(cr, view, depth, coarse, factor);
        if (!layer)
            return;
        gaussianBlur(layer->bytes(), coarse.width, coarse.height, layer->stride(), 4,
                     sigma / factor);
        cairo_surface_mark_dirty(layer->surface.get());
        CairoSaved saved(cr);
        if (blur.opaque) {
            const Rect& frame = view.layerFrames[depth];
            cairo_rectangle(cr, frame.x, frame.y, frame.width, frame.height);
            cairo_clip(cr);
        }
        cairo_identity_matrix(cr);
        cairo_scale(cr, factor, factor);
        cairo_set_source_surface(cr, layer->surface.get(), 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
        cairo_paint(cr);
    }

    static PixelRect coarsened(const PixelRect& area, int factor) {
        const int left = floorDiv(area.x, factor);
        const int top = floorDiv(area.y, factor);
        return {left, top, floorDiv(area.x + area.width + factor - 1, factor) - left,
                floorDiv(area.y + area.height + factor - 1, factor) - top};
    }

    // Averages the layer's alpha over each `factor` x `factor` block into the mask, whose area
    // is in pixels that many times coarser and holds the layer's.
    static void gatherCoverage(const PixelLayer& layer, PixelLayer& mask, int factor) {
        const PixelRect& area = layer.area;
        const std::span<const std::uint8_t> source = layer.bytes();
        const std::span<std::uint8_t> target = mask.bytes();
        std::vector<std::uint32_t> sums(static_cast<std::size_t>(mask.area.width));
        const int blockArea = factor * factor;
        auto flush = [&](int coarseRow) {
            std::uint8_t* out = target.data() + static_cast<std::size_t>(coarseRow) * mask.stride();
            for (std::size_t i = 0; i < sums.size(); ++i)
                out[i] = static_cast<std::uint8_t>((sums[i] + blockArea / 2) / blockArea);
            std::fill(sums.begin(), sums.end(), 0);
        };
        int row = -1;
        for (int y = 0; y < area.height; ++y) {
            const int coarseRow = floorDiv(area.y + y, factor) - mask.area.y;
            if (coarseRow != row) {
                if (row >= 0)
                    flush(row);
                row = coarseRow;
            }
            const auto* in = source.data() + static_cast<std::size_t>(y) * layer.stride();
            for (int x = 0; x < area.width; ++x) {
                std::uint32_t word;
                std::memcpy(&word, in + static_cast<std::size_t>(x) * 4, sizeof word);
                sums[static_cast<std::size_t>(floorDiv(area.x + x, factor) - mask.area.x)] +=
                    word >> 24;
            }
        }
        if (row >= 0)
            flush(row);
    }

    static int floorDiv(int v, int d) { return v >= 0 ? v / d : -((-v + d - 1) / d); }

    void drawShadowed(cairo_t* cr, const LaidOutView& view, std::size_t depth,
                      const ui::modifier::Shadow& shadow) {
        if (!(quantized(shadow.color.alpha) > 0)) {
            drawLayer(cr, view, depth);
            return;
        }
        const std::optional<Rect> ink = inkBounds(view, depth);
        if (!ink)
            return;
        const double scale = deviceScale(cr);
        const double sigma = sigmaPixels(shadow.radius, scale);
        const int spread = gaussianBlurExtent(sigma);
        const double dx = std::isfinite(shadow.x) ? shadow.x * scale : 0;
        const double dy = std::isfinite(shadow.y) ? shadow.y * scale : 0;
        const int reach =
            spread + static_cast<int>(std::ceil(std::max(std::abs(dx), std::abs(dy))));
        const PixelRect area =
            deviceBounds(cr, *ink).intersected(deviceClipBounds(cr).inflated(reach));
        std::optional<PixelLayer> layer = renderLayer(cr, view, depth, area);
        if (!layer)
            return;

        // The shadow is the layer's coverage, blurred and spread into a margin around it; a
        // soft one is worked out on coarser pixels, as a wide blur is.
        const int factor = blurDownscaleFactor(sigma);
        const PixelRect coarse = coarsened(area.inflated(spread), factor);
        if (std::optional<PixelLayer> mask = makePixelLayer(CAIRO_FORMAT_A8, coarse)) {
            cairo_surface_flush(mask->surface.get());
            gatherCoverage(*layer, *mask, factor);
            gaussianBlur(mask->bytes(), coarse.width, coarse.height, mask->stride(), 1,
                         sigma / factor);
            cairo_surface_mark_dirty(mask->surface.get());
            cairo_surface_set_device_offset(mask->surface.get(), -(coarse.x + dx / factor),
                                            -(coarse.y + dy / factor));
            CairoSaved saved(cr);
            cairo_identity_matrix(cr);
            cairo_scale(cr, factor, factor);
            setSourceColor(cr, shadow.color);
            CairoPatternPtr pattern(cairo_pattern_create_for_surface(mask->surface.get()));
            cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_BILINEAR);
            cairo_mask(cr, pattern.get());
        }
        paintPixelLayer(cr, *layer);
    }

    // Where the view with its first `depth` modifiers applied can put paint, in points;
    // nothing when it draws nothing.
    std::optional<Rect> inkBounds(const LaidOutView& view, std::size_t depth) const {
        if (!view.node || view.layerFrames.empty())
            return std::nullopt;
        depth = std::min(depth, modifierCount(view));
        if (depth == 0)
            return contentInk(view);
        const std::size_t k = depth - 1;
        const Rect& frame = view.layerFrames[k];
        const std::optional<Rect> inner = inkBounds(view, k);
        namespace m = ui::modifier;
        const ui::Modifier& modifier = view.node->modifiers[k];
        if (std::holds_alternative<m::Fill>(modifier))
            return unite(inner, frame);
        if (const auto* stroke = std::get_if<m::Stroke>(&modifier))
            return unite(inner, inflate(frame, std::max(stroke->lineWidth, 0.0)));
        if (const auto* opacity = std::get_if<m::Opacity>(&modifier))
            return opacity->value > 0 ? inner : std::nullopt;
        if (const auto* blur = std::get_if<m::Blur>(&modifier)) {
            if (!inner)
                return inner;
            return inflate(*inner, gaussianBlurExtent(sigmaPixels(blur->radius, scale_)) / scale_);
        }
        if (std::holds_alternative<m::Clipped>(modifier) ||
            std::holds_alternative<m::ClipShape>(modifier))
            return intersect(inner, frame);
        if (std::holds_alternative<m::Overlay>(modifier) ||
            std::holds_alternative<m::Background>(modifier)) {
            if (k < view.modifierContent.size() && view.modifierContent[k]) {
                const LaidOutView& content = *view.modifierContent[k];
                return unite(inner, inkBounds(content, content.layerFrames.size()));
            }
            return inner;
        }
        if (const auto* shadow = std::get_if<m::Shadow>(&modifier)) {
            if (!inner)
                return inner;
            Rect cast = inflate(
                *inner, (gaussianBlurExtent(sigmaPixels(shadow->radius, scale_)) + 1) / scale_);
            cast.x += std::isfinite(shadow->x) ? shadow->x : 0;
            cast.y += std::isfinite(shadow->y) ? shadow->y : 0;
            return unite(inner, cast);
        }
        return inner;
    }

    std::optional<Rect> contentInk(const LaidOutView& view) const {
        const Rect& frame = view.layerFrames.front();
        std::optional<Rect> ink;
        const ui::ViewNode& node = *view.node;
        switch (node.type) {
            case ui::ViewType::Text:
                // Accents, descenders and the ellipsis may stand a little outside the line box.
                ink = inflate(frame, view.environment.font.size * 0.5);
                break;
            case ui::ViewType::Image:
            case ui::ViewType::Divider:
            case ui::ViewType::Color:
            case ui::ViewType::LinearGradient:
                ink = inflate(frame, 1 / scale_);
                break;
            default:
                if (isShape(node.type) && !hasPaintModifier(node))
                    ink = inflate(frame, 1 / scale_);
                break;
        }
        for (const LaidOutView& child : view.children)
            ink = unite(ink, inkBounds(child, child.layerFrames.size()));
        return ink;
    }

    double scale_;
    ui::Size area_;
    std::optional<Rect> pressedControl_;
};

}  // namespace

Raster paint(const ui::LayoutResult& laidOut, double scale,
             std::optional<ui::Rect> pressedControl) {
    Raster raster;
    if (!std::isfinite(scale) || !(scale > 0))
        return raster;
    const double w = std::round(laidOut.size.width * scale);
    const double h = std::round(laidOut.size.height * scale);
    if (!(w >= 1) || !(h >= 1) || w > maxRasterSide || h > maxRasterSide)
        return raster;
    raster.width = static_cast<int>(w);
    raster.height = static_cast<int>(h);
    raster.stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, raster.width);
    raster.pixels.assign(static_cast<std::size_t>(raster.stride) * raster.height, 0);

    CairoSurfacePtr surface(cairo_image_surface_create_for_data(
        raster.pixels.data(), CAIRO_FORMAT_ARGB32, raster.width, raster.height, raster.stride));
    CairoContextPtr cr(cairo_create(surface.get()));
    cairo_scale(cr.get(), scale, scale);
    TreePainter(scale, laidOut.size, pressedControl).drawView(cr.get(), laidOut.tree);
    cr.reset();
    cairo_surface_finish(surface.get());
    return raster;
}

}  // namespace sonaris::platform::render
