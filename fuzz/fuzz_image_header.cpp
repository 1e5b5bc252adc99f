// Every encoding's header reader on any bytes: no crash, at most one encoding claims the bytes,
// the sizes it states are within the limits, and the image type agrees with it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "fuzz_support.hpp"
#include "platform/image/codec.hpp"
#include "platform/image/formats.hpp"
#include "platform/image/image.hpp"
#include "platform/image/limits.hpp"

namespace image = sonaris::platform::image;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);

    const std::optional<image::PixelSize> sizes[] = {
        image::formats::jpegSize(bytes), image::formats::pngSize(bytes),
        image::formats::webpSize(bytes), image::formats::bmpSize(bytes),
        image::formats::gifSize(bytes),
    };
    int claims = 0;
    for (const auto& stated : sizes) {
        if (stated) {
            ++claims;
            FUZZ_CHECK(image::isAcceptableSize(*stated));
        }
    }
    // The signatures exclude one another, so the order the formats are tried in never matters.
    FUZZ_CHECK(claims <= 1);

    const auto header = image::readHeader(bytes);
    FUZZ_CHECK(header.has_value() == (claims == 1));
    const auto picture = image::Image::fromBytes(std::vector<std::uint8_t>(data, data + size));
    FUZZ_CHECK(picture.has_value() == header.has_value());
    if (header) {
        FUZZ_CHECK(sizes[static_cast<int>(header->format)] == header->size);
        FUZZ_CHECK(picture->naturalSize() == header->size);
    }
    return 0;
}
