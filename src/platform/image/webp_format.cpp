#include <webp/decode.h>

#include <algorithm>
#include <bit>

#include "platform/image/box_reducer.hpp"
#include "platform/image/formats.hpp"
#include "platform/image/limits.hpp"

namespace sonaris::platform::image::formats {

namespace {

constexpr int kLossless = 2;

bool hasSignature(Bytes bytes) {
    return bytes.size() >= 12 && std::equal(bytes.begin(), bytes.begin() + 4, "RIFF") &&
           std::equal(bytes.begin() + 8, bytes.begin() + 12, "WEBP");
}

// Whether the file holds the whole of its bitstream chunk: WebPGetFeatures reads only the first
// bytes, so a bare header, or a file cut short while the host rewrites it, passes it.
bool hasImageData(Bytes bytes) {
    const auto u32At = [bytes](std::size_t at) {
        return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
               std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
    };
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::size_t length = u32At(at + 4);
        const bool isBitstream = std::equal(bytes.begin() + at, bytes.begin() + at + 4, "VP8 ") ||
                                 std::equal(bytes.begin() + at, bytes.begin() + at + 4, "VP8L");
        if (length > bytes.size() - at - 8) {
            return false;
        }
        if (isBitstream) {
            return length > 0;
        }
        at += 8 + length + (length & 1);
    }
    return false;
}

// Animations are refused rather than half supported: the plain decoder cannot read them, and
// claiming a picture that never decodes would hide the next cover candidate.
std::optional<PixelSize> readFeatures(Bytes bytes) {
    WebPBitstreamFeatures features{};
    if (!hasSignature(bytes) ||
        WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK ||
        features.has_animation) {
        return std::nullopt;
    }
    const PixelSize size{features.width, features.height};
    // The lossless decoder holds the whole picture as 32-bit pixels before it scales, and an
    // alpha plane is held whole beside a lossy picture (decoded losslessly itself, it may take
    // four bytes a pixel on the way).
    const std::int64_t pixels = std::int64_t{size.width} * size.height;
    const std::int64_t held = features.format == kLossless ? pixels * 4
                              : features.has_alpha         ? pixels * 5
                                                           : 0;
    if (!isAcceptableSize(size) || !fitsWorkingMemory(held) || !hasImageData(bytes)) {
        return std::nullopt;
    }
    return size;
}

// The smallest size of the picture's shape that still covers the request: WebP scales to any size.
PixelSize scaledToCover(PixelSize natural, PixelSize atLeast) {
    const auto want = coveredSize(natural, atLeast);
    const auto ceilDiv = [](std::int64_t a, std::int64_t b) {
        return static_cast<int>((a + b - 1) / b);
    };
    if (std::int64_t{want.width} * natural.height >= std::int64_t{want.height} * natural.width) {
        return {want.width,
                std::min(natural.height,
                         ceilDiv(std::int64_t{natural.height} * want.width, natural.width))};
    }
    return {
        std::min(natural.width, ceilDiv(std::int64_t{natural.width} * want.height, natural.height)),
        want.height};
}

}  // namespace

std::optional<PixelSize> webpSize(Bytes bytes) {
    return readFeatures(bytes);
}

std::optional<Bitmap> decodeWebp(Bytes bytes, PixelSize atLeast) {
    const auto natural = readFeatures(bytes);
    if (!natural) {
        return std::nullopt;
    }
    const auto size = scaledToCover(*natural, atLeast);
    Bitmap bitmap;
    bitmap.size = size;
    bitmap.stride = size.width * 4;
    bitmap.pixels.resize(static_cast<std::size_t>(bitmap.stride) * size.height);

    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) {
        return std::nullopt;
    }
    if (size != *natural) {
        config.options.use_scaling = 1;
        config.options.scaled_width = size.width;
        config.options.scaled_height = size.height;
    }
    config.output.colorspace = std::endian::native == std::endian::little ? MODE_bgrA : MODE_Argb;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = bitmap.pixels.data();
    config.output.u.RGBA.stride = bitmap.stride;
    config.output.u.RGBA.size = bitmap.pixels.size();
    const auto status = WebPDecode(bytes.data(), bytes.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) {
        return std::nullopt;
    }
    return bitmap;
}

}  // namespace sonaris::platform::image::formats
