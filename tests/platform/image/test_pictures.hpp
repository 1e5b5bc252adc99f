#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/image/image.hpp"

// Encoders for the pictures the image tests read, so every fixture is made in code.
namespace sonaris::platform::image::testing {

using Bytes = std::vector<std::uint8_t>;

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
};

// The colour of each pixel of a picture being made.
using Paint = std::function<Rgba(int x, int y)>;

// One ARGB word of a decoded picture.
inline std::uint32_t argbAt(const Bitmap& bitmap, int x, int y) {
    std::uint32_t pixel;
    std::memcpy(&pixel, bitmap.pixels.data() + y * bitmap.stride + x * 4, 4);
    return pixel;
}

inline Paint solid(Rgba colour) {
    return [colour](int, int) { return colour; };
}

struct JpegOptions {
    bool progressive = false;
    int quality = 95;
};
Bytes makeJpeg(int width, int height, const Paint& paint, JpegOptions options = {});
// A YCCK JPEG from CMYK inks stored inverted, as Adobe's encoders store them.
Bytes makeCmykJpeg(int width, int height, std::uint8_t c, std::uint8_t m, std::uint8_t y,
                   std::uint8_t k);

enum class PngKind { Rgba8, Gray8 };
struct PngOptions {
    PngKind kind = PngKind::Rgba8;
    bool interlaced = false;
};
// Rows are encoded as they are painted, so very large pictures need no full-size buffer.
Bytes makePng(int width, int height, const Paint& paint, PngOptions options = {});

Bytes makeWebp(int width, int height, const Paint& paint, bool lossless);

enum class BmpKind { Rgb24, Rgb32, Rgba32BitFields };
Bytes makeBmp(int width, int height, const Paint& paint, BmpKind kind, bool topDown);

// The first frame's palette indices; the palette has at most 256 entries.
struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<std::uint8_t> indices;
    bool interlaced = false;
};
Bytes makeGif(int screenWidth, int screenHeight, const std::vector<Rgba>& palette,
              const GifFrame& frame, int transparentIndex = -1);

// Ancillary helpers for hand-built PNG chunks.
std::uint32_t crc32(const std::uint8_t* data, std::size_t size);
void appendChunk(Bytes& png, const char type[4], const Bytes& data);

}  // namespace sonaris::platform::image::testing
