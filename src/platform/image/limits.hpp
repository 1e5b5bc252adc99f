#pragma once

#include <cstdint>

#include "platform/image/image.hpp"

namespace sonaris::platform::image {

// A picture's header is only believed up to these sizes. They cover any real cover art with room
// to spare, and stop a few hundred bytes of crafted header from making a decoder ask for
// gigabytes.
inline constexpr int kMaxSide = 16384;
inline constexpr std::int64_t kMaxPixels = 64'000'000;

// Some encodings cannot be decoded a row at a time and make the decoder hold the whole picture
// (progressive JPEG coefficients, interlaced PNG, lossless WebP), so they get a tighter budget.
inline constexpr std::int64_t kMaxBufferedPixels = 16'000'000;

inline bool isAcceptableSize(PixelSize size, bool needsWholePicture = false) {
    if (size.width <= 0 || size.height <= 0 || size.width > kMaxSide || size.height > kMaxSide) {
        return false;
    }
    const auto pixels = std::int64_t{size.width} * size.height;
    return pixels <= (needsWholePicture ? kMaxBufferedPixels : kMaxPixels);
}

}  // namespace sonaris::platform::image
