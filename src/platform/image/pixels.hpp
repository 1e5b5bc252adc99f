#pragma once

#include <cstdint>
#include <cstring>

#include "platform/image/image.hpp"

namespace sonaris::platform::image {

// Cairo's ARGB32 word for a pixel given with straight (unassociated) alpha.
inline std::uint32_t premultipliedPixel(unsigned r, unsigned g, unsigned b, unsigned a) {
    const auto scale = [a](unsigned c) { return (c * a + 127) / 255; };
    return (a << 24) | (scale(r) << 16) | (scale(g) << 8) | scale(b);
}

inline Bitmap blankBitmap(PixelSize size) {
    Bitmap bitmap;
    bitmap.size = size;
    bitmap.stride = size.width * 4;
    bitmap.pixels.assign(static_cast<std::size_t>(bitmap.stride) * size.height, 0);
    return bitmap;
}

inline void storePixel(Bitmap& bitmap, int x, int y, std::uint32_t pixel) {
    std::memcpy(bitmap.pixels.data() + static_cast<std::size_t>(y) * bitmap.stride + x * 4, &pixel,
                4);
}

inline std::uint32_t pixelAt(const Bitmap& bitmap, int x, int y) {
    std::uint32_t pixel;
    std::memcpy(&pixel, bitmap.pixels.data() + static_cast<std::size_t>(y) * bitmap.stride + x * 4,
                4);
    return pixel;
}

}  // namespace sonaris::platform::image
