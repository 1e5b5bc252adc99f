#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/image/image.hpp"

// A property the code under test broke. Aborting turns it into a crash that libFuzzer records,
// with the failing input saved next to it.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

// Pictures up to the decoders' own limits (64 megapixels) are legal, and a few dozen bytes of GIF
// can declare one; under the sanitizers decoding that takes longer than the per-input timeout.
// Such sizes are the unit tests' business, so the fuzzers decode only pictures up to this size.
inline bool isQuickToDecode(sonaris::platform::image::PixelSize size) {
    return std::int64_t{size.width} * size.height <= 4'000'000;
}
