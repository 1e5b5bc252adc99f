#include <turbojpeg.h>

#include <bit>
#include <memory>

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
// last scan, whatever the output scale. The walk skips stray bytes between markers the way libjpeg
// does, and counts a stream it cannot follow to its frame header as progressive.
bool mayBeProgressive(Bytes bytes) {
    std::size_t i = 2;
    while (i + 1 < bytes.size()) {
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
        const bool isFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (isFrame) {
            return (marker & 0x03) == 0x02;
        }
        if (marker == 0xDA || marker == 0xD9 || i + 3 >= bytes.size()) {
            return true;
        }
        i += 2 + ((std::size_t{bytes[i + 2]} << 8) | bytes[i + 3]);
    }
    return true;
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
    if (!isAcceptableSize(size, mayBeProgressive(bytes))) {
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
