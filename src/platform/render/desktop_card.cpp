#include "platform/render/desktop_card.hpp"

#include <cairo.h>

#include "platform/render/cairo_handles.hpp"
#include "platform/render/shape_path.hpp"

namespace sonaris::platform::render {

void clipToDesktopCard(Raster& raster, double scale) {
    if (raster.width <= 0 || raster.height <= 0 || !(scale > 0))
        return;
    CairoSurfacePtr surface(cairo_image_surface_create_for_data(
        raster.pixels.data(), CAIRO_FORMAT_ARGB32, raster.width, raster.height, raster.stride));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return;
    CairoContextPtr cr(cairo_create(surface.get()));
    // Everything outside the card is cleared: the even-odd pair of the whole raster and the card
    // covers exactly the corners.
    cairo_set_fill_rule(cr.get(), CAIRO_FILL_RULE_EVEN_ODD);
    cairo_rectangle(cr.get(), 0, 0, raster.width, raster.height);
    appendRoundedRectPath(cr.get(), {0, 0, double(raster.width), double(raster.height)},
                          desktopCardCornerRadius * scale, ui::RoundedCornerStyle::continuous);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_DEST_OUT);
    cairo_set_source_rgba(cr.get(), 0, 0, 0, 1);
    cairo_fill(cr.get());
    cairo_surface_flush(surface.get());
}

bool desktopCardContains(ui::Size widget, ui::Point point) {
    if (!(point.x >= 0 && point.y >= 0 && point.x < widget.width && point.y < widget.height))
        return false;
    CairoSurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1));
    CairoContextPtr cr(cairo_create(surface.get()));
    appendRoundedRectPath(cr.get(), {0, 0, widget.width, widget.height}, desktopCardCornerRadius,
                          ui::RoundedCornerStyle::continuous);
    return cairo_in_fill(cr.get(), point.x, point.y);
}

}  // namespace sonaris::platform::render
