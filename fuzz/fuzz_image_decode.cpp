// Each decoder on any bytes its header reader accepts, at a size drawn from the input: no crash,
// no hang, and pixels the painter can use as they are.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "fuzz_support.hpp"
#include "platform/image/codec.hpp"
#include "platform/image/image.hpp"
#include "platform/image/limits.hpp"

namespace image = sonaris::platform::image;

namespace {

// Two bytes a side; a side of zero or less asks for the smallest decode.
image::PixelSize requestFrom(const std::uint8_t* data) {
    const auto side = [](std::uint8_t high, std::uint8_t low) {
        return ((high << 8) | low) % 1100 - 2;
    };
    return {side(data[0], data[1]), side(data[2], data[3])};
}

void checkBitmap(const image::Bitmap& bitmap, image::PixelSize natural, image::PixelSize request) {
    const auto size = bitmap.size;
    FUZZ_CHECK(size.width > 0 && size.height > 0);
    FUZZ_CHECK(size.width <= natural.width && size.height <= natural.height);
    // What was asked for is covered wherever the picture is that large, unless the covering
    // decode would pass the pixel limit; then the decode is the largest step below the limit.
    const auto area = std::int64_t{size.width} * size.height;
    const bool covers = size.width >= std::min(request.width, natural.width) &&
                        size.height >= std::min(request.height, natural.height);
    FUZZ_CHECK(covers || area >= image::kMaxDecodedPixels / 8);
    FUZZ_CHECK(area <= 2 * image::kMaxDecodedPixels);
    FUZZ_CHECK(bitmap.stride == size.width * 4);
    FUZZ_CHECK(bitmap.pixels.size() ==
               static_cast<std::size_t>(bitmap.stride) * static_cast<std::size_t>(size.height));
    // Cairo takes the words as premultiplied: no colour may exceed its alpha.
    for (std::size_t i = 0; i < bitmap.pixels.size(); i += 4) {
        std::uint32_t pixel;
        std::memcpy(&pixel, bitmap.pixels.data() + i, 4);
        const std::uint32_t alpha = pixel >> 24;
        FUZZ_CHECK(((pixel >> 16) & 0xFF) <= alpha && ((pixel >> 8) & 0xFF) <= alpha &&
                   (pixel & 0xFF) <= alpha);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    const auto request = requestFrom(data);
    const std::span<const std::uint8_t> bytes(data + 4, size - 4);

    const auto header = image::readHeader(bytes);
    if (!header || !isQuickToDecode(header->size))
        return 0;
    if (const auto bitmap = image::decode(header->format, bytes, request))
        checkBitmap(*bitmap, header->size, request);

    // Through the image type: a second, larger request must be served by the cache or a fresh
    // decode, never by a bitmap too small for it.
    const auto picture = image::Image::fromBytes({bytes.begin(), bytes.end()});
    FUZZ_CHECK(picture.has_value() || bytes.size() > image::kMaxEncodedBytes);
    if (!picture)
        return 0;
    const auto first = picture->decoded(request);
    if (first)
        checkBitmap(*first, header->size, request);
    const image::PixelSize larger{request.width * 2 + 1, request.height * 2 + 1};
    if (const auto second = picture->decoded(larger))
        checkBitmap(*second, header->size, larger);
    return 0;
}
