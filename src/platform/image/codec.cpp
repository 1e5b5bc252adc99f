#include "platform/image/codec.hpp"

#include "platform/image/formats.hpp"

namespace sonaris::platform::image {

namespace {

struct Codec {
    Format format;
    std::optional<PixelSize> (*size)(formats::Bytes);
    std::optional<Bitmap> (*decode)(formats::Bytes, PixelSize);
};

constexpr Codec kCodecs[] = {
    {Format::Jpeg, formats::jpegSize, formats::decodeJpeg},
    {Format::Png, formats::pngSize, formats::decodePng},
    {Format::Webp, formats::webpSize, formats::decodeWebp},
    {Format::Bmp, formats::bmpSize, formats::decodeBmp},
    {Format::Gif, formats::gifSize, formats::decodeGif},
};

}  // namespace

std::optional<Header> readHeader(std::span<const std::uint8_t> bytes) {
    for (const auto& codec : kCodecs) {
        if (const auto size = codec.size(bytes)) {
            return Header{codec.format, *size};
        }
    }
    return std::nullopt;
}

std::optional<Bitmap> decode(Format format, std::span<const std::uint8_t> bytes,
                             PixelSize atLeast) {
    for (const auto& codec : kCodecs) {
        if (codec.format == format) {
            return codec.decode(bytes, atLeast);
        }
    }
    return std::nullopt;
}

}  // namespace sonaris::platform::image
