#include "host/art/jpeg_reencoder.hpp"

#include <turbojpeg.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

namespace sonaris::host::art {

using platform::image::Bitmap;
using platform::image::PixelSize;

namespace {

struct TurboJpegDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};

// For each output position along one axis, the source positions it covers and how much of each:
// an area average, so a picture shrunk by a fraction keeps its detail evenly.
struct Tap {
    int source;
    float weight;
};
struct AxisTaps {
    std::vector<int> first;  // first.size() == outputs + 1, index into taps
    std::vector<Tap> taps;
};

AxisTaps areaTaps(int sourceLength, int targetLength) {
    AxisTaps axis;
    axis.first.reserve(static_cast<std::size_t>(targetLength) + 1);
    const double scale = static_cast<double>(sourceLength) / targetLength;
    for (int out = 0; out < targetLength; ++out) {
        axis.first.push_back(static_cast<int>(axis.taps.size()));
        const double begin = out * scale;
        const double end = std::min<double>(sourceLength, (out + 1) * scale);
        for (int s = static_cast<int>(begin); s < end; ++s) {
            const double covered = std::min<double>(s + 1, end) - std::max<double>(s, begin);
            if (covered > 1e-9) {
                axis.taps.push_back({s, static_cast<float>(covered / scale)});
            }
        }
    }
    axis.first.push_back(static_cast<int>(axis.taps.size()));
    return axis;
}

std::uint8_t toByte(float value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

}  // namespace

PixelSize fittedSize(PixelSize natural, int maxSide) {
    const int longest = std::max(natural.width, natural.height);
    if (longest <= maxSide || maxSide <= 0) {
        return {std::max(natural.width, 1), std::max(natural.height, 1)};
    }
    const auto scaled = [&](int side) {
        return std::max(
            1, static_cast<int>(std::lround(static_cast<double>(side) * maxSide / longest)));
    };
    return {std::min(scaled(natural.width), maxSide), std::min(scaled(natural.height), maxSide)};
}

std::vector<std::uint8_t> downscaleToRgb(const Bitmap& bitmap, PixelSize target) {
    assert(target.width <= bitmap.size.width && target.height <= bitmap.size.height);
    const auto columns = areaTaps(bitmap.size.width, target.width);
    const auto rows = areaTaps(bitmap.size.height, target.height);

    // Premultiplied ARGB words over black are already the colour shown, so no division is needed.
    std::vector<float> rowSums(static_cast<std::size_t>(target.width) * 3);
    std::vector<float> line(static_cast<std::size_t>(target.width) * 3);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(target.width) * target.height * 3);
    for (int y = 0; y < target.height; ++y) {
        std::fill(rowSums.begin(), rowSums.end(), 0.0f);
        for (int r = rows.first[y]; r < rows.first[y + 1]; ++r) {
            const auto [sourceRow, rowWeight] = rows.taps[r];
            const auto* source =
                bitmap.pixels.data() + static_cast<std::size_t>(sourceRow) * bitmap.stride;
            for (int x = 0; x < target.width; ++x) {
                float red = 0, green = 0, blue = 0;
                for (int c = columns.first[x]; c < columns.first[x + 1]; ++c) {
                    std::uint32_t pixel;
                    std::memcpy(&pixel, source + columns.taps[c].source * 4, 4);
                    const float w = columns.taps[c].weight;
                    red += w * static_cast<float>((pixel >> 16) & 0xFF);
                    green += w * static_cast<float>((pixel >> 8) & 0xFF);
                    blue += w * static_cast<float>(pixel & 0xFF);
                }
                rowSums[x * 3] += rowWeight * red;
                rowSums[x * 3 + 1] += rowWeight * green;
                rowSums[x * 3 + 2] += rowWeight * blue;
            }
        }
        auto* out = rgb.data() + static_cast<std::size_t>(y) * target.width * 3;
        std::transform(rowSums.begin(), rowSums.end(), out, toByte);
    }
    return rgb;
}

std::optional<std::vector<std::uint8_t>> encodeJpeg(std::span<const std::uint8_t> rgb,
                                                    PixelSize size, int quality) {
    const std::unique_ptr<void, TurboJpegDeleter> handle{tjInitCompress()};
    if (!handle) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> jpeg(tjBufSize(size.width, size.height, TJSAMP_420));
    auto* out = jpeg.data();
    unsigned long outSize = jpeg.size();
    // No TJFLAG_PROGRESSIVE: a baseline file decodes a row band at a time in the widget.
    if (tjCompress2(handle.get(), rgb.data(), size.width, size.width * 3, size.height, TJPF_RGB,
                    &out, &outSize, TJSAMP_420, quality, TJFLAG_NOREALLOC) != 0) {
        return std::nullopt;
    }
    jpeg.resize(outSize);
    return jpeg;
}

std::optional<Cover> reencodeAsJpeg(std::vector<std::uint8_t> bytes, int maxSide) {
    try {
        const auto size = bytes.size();
        const auto image = platform::image::Image::fromBytes(std::move(bytes), size);
        if (!image) {
            return std::nullopt;
        }
        auto target = fittedSize(image->naturalSize(), maxSide);
        const auto bitmap = image->decoded(target);
        if (!bitmap || bitmap->size.width <= 0 || bitmap->size.height <= 0) {
            return std::nullopt;
        }
        // A decoder that scales by fixed fractions may round a side one pixel short.
        target = {std::min(target.width, bitmap->size.width),
                  std::min(target.height, bitmap->size.height)};
        auto jpeg = encodeJpeg(downscaleToRgb(*bitmap, target), target);
        if (!jpeg) {
            return std::nullopt;
        }
        return Cover{std::move(*jpeg), image->naturalSize()};
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace sonaris::host::art
