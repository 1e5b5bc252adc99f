#include <turbojpeg.h>

#include <algorithm>
#include <bit>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "platform/image/box_reducer.hpp"
#include "platform/image/formats.hpp"
#include "platform/image/limits.hpp"
#include "platform/image/pixels.hpp"

namespace sonaris::platform::image::formats {

namespace {

struct TurboJpegDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboJpeg = std::unique_ptr<void, TurboJpegDeleter>;

struct JpegHeader {
    PixelSize size;
    int colorspace = TJCS_YCbCr;
};

bool hasSignature(Bytes bytes) {
    return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

// Progressive and multi-scan frames make libjpeg keep every coefficient of the picture until the
// last scan, whatever the output scale: two bytes for each of the 64 coefficients of every block
// of every component. This is that memory, or nothing for a frame decoded one row of blocks at a
// time. The walk skips stray bytes between markers the way libjpeg does, and a stream it cannot
// follow to its first scan counts as needing more memory than any picture is given.
std::int64_t bufferedCoefficientBytes(Bytes bytes) {
    constexpr std::int64_t kUnknown = std::numeric_limits<std::int64_t>::max();
    const auto u16At = [bytes](std::size_t at) {
        return static_cast<int>((std::size_t{bytes[at]} << 8) | bytes[at + 1]);
    };
    bool progressive = false;
    int width = 0, height = 0, maxH = 1, maxV = 1;
    std::vector<std::pair<int, int>> sampling;
    std::size_t i = 2;
    while (i + 3 < bytes.size()) {
        if (bytes[i] != 0xFF) {
            ++i;
            continue;
        }
        const std::uint8_t marker = bytes[i + 1];
        if (marker == 0xFF || marker == 0x00 || marker == 0x01 ||
            (marker >= 0xD0 && marker <= 0xD8)) {
            i += marker == 0xFF ? 1 : 2;
            continue;
        }
        if (marker == 0xD9) {
            return kUnknown;
        }
        const std::size_t length = u16At(i + 2);
        if (length < 2 || i + 2 + length > bytes.size()) {
            return kUnknown;
        }
        const bool isFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (isFrame && sampling.empty() && length >= 8) {
            progressive = (marker & 0x03) == 0x02;
            height = u16At(i + 5);
            width = u16At(i + 7);
            const int count = bytes[i + 9];
            if (count < 1 || length < 8 + 3 * static_cast<std::size_t>(count)) {
                return kUnknown;
            }
            for (int c = 0; c < count; ++c) {
                const int h = std::max(1, bytes[i + 11 + 3 * c] >> 4);
                const int v = std::max(1, bytes[i + 11 + 3 * c] & 0x0F);
                sampling.emplace_back(h, v);
                maxH = std::max(maxH, h);
                maxV = std::max(maxV, v);
            }
        } else if (marker == 0xDA) {
            if (sampling.empty()) {
                return kUnknown;
            }
            const bool allInFirstScan = bytes[i + 4] >= sampling.size();
            if (!progressive && allInFirstScan) {
                return 0;
            }
            const std::int64_t mcusAcross = (width + 8 * maxH - 1) / (8 * maxH);
            const std::int64_t mcusDown = (height + 8 * maxV - 1) / (8 * maxV);
            std::int64_t total = 0;
            for (const auto& [h, v] : sampling) {
                total += mcusAcross * h * mcusDown * v * 64 * 2;
            }
            return total;
        }
        i += 2 + length;
    }
    return kUnknown;
}

std::optional<JpegHeader> readHeader(void* handle, Bytes bytes) {
    if (!hasSignature(bytes)) {
        return std::nullopt;
    }
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle, bytes.data(), bytes.size(), &width, &height, &subsampling,
                            &colorspace) != 0) {
        return std::nullopt;
    }
    const PixelSize size{width, height};
    if (!isAcceptableSize(size) || !fitsWorkingMemory(bufferedCoefficientBytes(bytes))) {
        return std::nullopt;
    }
    return JpegHeader{size, colorspace};
}

tjscalingfactor smallestCoveringScale(PixelSize natural, PixelSize atLeast) {
    const auto want = coveredSize(natural, atLeast);
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    tjscalingfactor best{1, 1};
    std::int64_t bestArea = std::int64_t{natural.width} * natural.height;
    for (int i = 0; factors != nullptr && i < count; ++i) {
        const auto f = factors[i];
        if (f.num > f.denom) {
            continue;
        }
        const int w = TJSCALED(natural.width, f);
        const int h = TJSCALED(natural.height, f);
        if (w >= want.width && h >= want.height && std::int64_t{w} * h < bestArea) {
            best = f;
            bestArea = std::int64_t{w} * h;
        }
    }
    // Scales step coarsely: the one that covers may give far more pixels than a decode may have,
    // and then the largest within the limit is taken.
    if (bestArea > kMaxDecodedPixels) {
        std::int64_t fittingArea = 0;
        for (int i = 0; factors != nullptr && i < count; ++i) {
            const auto f = factors[i];
            const auto area =
                std::int64_t{TJSCALED(natural.width, f)} * TJSCALED(natural.height, f);
            if (f.num <= f.denom && area <= kMaxDecodedPixels && area > fittingArea) {
                best = f;
                fittingArea = area;
            }
        }
    }
    return best;
}

// Adobe's encoders, which write nearly every CMYK JPEG there is, store the inks inverted.
void convertInvertedCmyk(Bitmap& bitmap) {
    for (int y = 0; y < bitmap.size.height; ++y) {
        for (int x = 0; x < bitmap.size.width; ++x) {
            const auto* p =
                bitmap.pixels.data() + static_cast<std::size_t>(y) * bitmap.stride + x * 4;
            const unsigned k = p[3];
            storePixel(bitmap, x, y,
                       premultipliedPixel(p[0] * k / 255, p[1] * k / 255, p[2] * k / 255, 255));
        }
    }
}

}  // namespace

std::optional<PixelSize> jpegSize(Bytes bytes) {
    if (!hasSignature(bytes)) {
        return std::nullopt;
    }
    const TurboJpeg handle{tjInitDecompress()};
    if (!handle) {
        return std::nullopt;
    }
    const auto header = readHeader(handle.get(), bytes);
    return header ? std::optional{header->size} : std::nullopt;
}

std::optional<Bitmap> decodeJpeg(Bytes bytes, PixelSize atLeast) {
    const TurboJpeg handle{tjInitDecompress()};
    if (!handle) {
        return std::nullopt;
    }
    const auto header = readHeader(handle.get(), bytes);
    if (!header) {
        return std::nullopt;
    }
    const auto scale = smallestCoveringScale(header->size, atLeast);
    auto bitmap =
        blankBitmap({TJSCALED(header->size.width, scale), TJSCALED(header->size.height, scale)});
    const bool isCmyk = header->colorspace == TJCS_CMYK || header->colorspace == TJCS_YCCK;
    const int pixelFormat = isCmyk                                       ? TJPF_CMYK
                            : std::endian::native == std::endian::little ? TJPF_BGRA
                                                                         : TJPF_ARGB;
    // Warnings (a truncated scan, stray bytes between markers) still leave a whole picture, grey
    // where data was missing; browsers show such files too, so only hard errors count as corrupt.
    if (tjDecompress2(handle.get(), bytes.data(), bytes.size(), bitmap.pixels.data(),
                      bitmap.size.width, bitmap.stride, bitmap.size.height, pixelFormat, 0) != 0 &&
        tjGetErrorCode(handle.get()) != TJERR_WARNING) {
        return std::nullopt;
    }
    if (isCmyk) {
        convertInvertedCmyk(bitmap);
    }
    return bitmap;
}

}  // namespace sonaris::platform::image::formats
