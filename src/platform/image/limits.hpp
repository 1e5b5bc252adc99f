#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/image/image.hpp"

namespace sonaris::platform::image {

// A picture's header is only believed up to these sizes. They cover any real cover art with room
// to spare, and stop a few hundred bytes of crafted header from making a decoder ask for
// gigabytes.
inline constexpr int kMaxSide = 16384;
inline constexpr std::int64_t kMaxPixels = 64'000'000;

// The widget's whole process is held to 30 MB, of which drawing three families takes about two
// thirds. A picture gets the rest: its encoded bytes, which stay loaded for later draws, and the
// memory its decoder holds at once besides the output. A cover file beyond the first limit is
// refused unread.
inline constexpr std::size_t kMaxEncodedBytes = 6 * 1024 * 1024;
inline constexpr std::int64_t kMaxWorkingBytes = 8 * 1024 * 1024;

// A decode is never larger than this, whatever it is drawn at: more pixels than a widget has
// would only cost memory. A very long picture filling a square asks for its whole length, and is
// then drawn a little softer instead.
inline constexpr std::int64_t kMaxDecodedPixels = 1'200'000;

inline bool isAcceptableSize(PixelSize size) {
    if (size.width <= 0 || size.height <= 0 || size.width > kMaxSide || size.height > kMaxSide) {
        return false;
    }
    return std::int64_t{size.width} * size.height <= kMaxPixels;
}

// Whether a decoder that must hold `bytes` of the picture at once (all of a progressive JPEG's
// coefficients, a lossless WebP's pixels) stays within its share.
inline bool fitsWorkingMemory(std::int64_t bytes) {
    return bytes >= 0 && bytes <= kMaxWorkingBytes;
}

}  // namespace sonaris::platform::image
