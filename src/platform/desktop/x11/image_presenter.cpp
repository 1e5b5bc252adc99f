#include "platform/desktop/x11/image_presenter.hpp"

#include <bit>

namespace sonaris::platform::desktop::x11 {

void putRaster(const XlibLibrary& xlib, Display* display, Drawable drawable, GC gc, int depth,
               const render::Raster& raster) {
    if (raster.width <= 0 || raster.height <= 0)
        return;
    XImage image{};
    image.width = raster.width;
    image.height = raster.height;
    image.format = ZPixmap;
    // Xlib only reads the pixels; the image is never destroyed through Xlib, which would free
    // them.
    image.data = reinterpret_cast<char*>(const_cast<std::uint8_t*>(raster.pixels.data()));
    // Native-endian 32-bit words, as Cairo keeps them; Xlib swaps them for a server that differs.
    int order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    image.byte_order = order;
    image.bitmap_bit_order = order;
    image.bitmap_unit = 32;
    image.bitmap_pad = 32;
    image.depth = depth;
    image.bits_per_pixel = 32;
    image.bytes_per_line = raster.stride;
    image.red_mask = 0xFF0000;
    image.green_mask = 0x00FF00;
    image.blue_mask = 0x0000FF;
    if (!xlib.initImage(&image))
        return;
    xlib.putImage(display, drawable, gc, &image, 0, 0, 0, 0, static_cast<unsigned>(raster.width),
                  static_cast<unsigned>(raster.height));
}

}  // namespace sonaris::platform::desktop::x11
