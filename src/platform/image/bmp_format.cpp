#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "platform/image/box_reducer.hpp"
#include "platform/image/formats.hpp"
#include "platform/image/limits.hpp"

namespace sonaris::platform::image::formats {

namespace {

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;
constexpr std::size_t kFileHeaderBytes = 14;

std::uint32_t u32(Bytes bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
           std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
}
std::uint16_t u16(Bytes bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

// One colour channel given by a bit mask, widened to eight bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    static std::optional<Channel> from(std::uint32_t mask) {
        if (mask == 0) {
            return Channel{};
        }
        const int shift = std::countr_zero(mask);
        const std::uint32_t bits = mask >> shift;
        if ((bits & (bits + 1)) != 0) {
            return std::nullopt;  // not one run of ones
        }
        return Channel{mask, shift, bits};
    }
    unsigned read(std::uint32_t pixel) const {
        if (max == 0) {
            return 0;
        }
        return static_cast<unsigned>((std::uint64_t{(pixel & mask) >> shift} * 255 + max / 2) /
                                     max);
    }
};

struct BmpLayout {
    PixelSize size;
    bool topDown = false;
    int bitsPerPixel = 0;
    std::size_t pixelOffset = 0;
    std::size_t rowBytes = 0;
    Channel red, green, blue, alpha;
};

std::optional<BmpLayout> readLayout(Bytes bytes) {
    if (bytes.size() < kFileHeaderBytes + 40 || bytes[0] != 'B' || bytes[1] != 'M') {
        return std::nullopt;
    }
    const std::uint32_t infoSize = u32(bytes, 14);
    if (infoSize < 40 || infoSize > 1024 || bytes.size() < kFileHeaderBytes + infoSize) {
        return std::nullopt;
    }
    const auto width = static_cast<std::int32_t>(u32(bytes, 18));
    const auto height = static_cast<std::int32_t>(u32(bytes, 22));
    const auto planes = u16(bytes, 26);
    const int bitsPerPixel = u16(bytes, 28);
    const std::uint32_t compression = u32(bytes, 30);
    if (planes != 1 || width <= 0 || height == 0 || height == INT32_MIN ||
        (bitsPerPixel != 24 && bitsPerPixel != 32)) {
        return std::nullopt;
    }

    BmpLayout layout;
    layout.size = {width, height < 0 ? -height : height};
    layout.topDown = height < 0;
    layout.bitsPerPixel = bitsPerPixel;
    layout.pixelOffset = u32(bytes, 10);
    layout.rowBytes = (static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32 * 4;
    // Rows missing at the end of the file (a header alone, a file cut short while the host
    // rewrites it) make it no picture.
    if (!isAcceptableSize(layout.size) || layout.pixelOffset > bytes.size() ||
        (bytes.size() - layout.pixelOffset) / layout.rowBytes <
            static_cast<std::size_t>(layout.size.height)) {
        return std::nullopt;
    }

    std::uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
    if (compression == kBitFields || compression == kAlphaBitFields) {
        if (bitsPerPixel != 32) {
            return std::nullopt;
        }
        // The masks sit inside the longer info headers and right after the 40-byte one.
        const std::size_t maskCount = compression == kAlphaBitFields || infoSize >= 56 ? 4 : 3;
        const std::size_t at = kFileHeaderBytes + 40;
        if (bytes.size() < at + maskCount * 4) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < maskCount; ++i) {
            masks[i] = u32(bytes, at + i * 4);
        }
    } else if (compression != kRgb) {
        return std::nullopt;  // run-length and embedded encodings are not read
    }
    const auto red = Channel::from(masks[0]);
    const auto green = Channel::from(masks[1]);
    const auto blue = Channel::from(masks[2]);
    const auto alpha = Channel::from(masks[3]);
    if (!red || !green || !blue || !alpha) {
        return std::nullopt;
    }
    layout.red = *red;
    layout.green = *green;
    layout.blue = *blue;
    layout.alpha = *alpha;
    return layout;
}

}  // namespace

std::optional<PixelSize> bmpSize(Bytes bytes) {
    const auto layout = readLayout(bytes);
    return layout ? std::optional{layout->size} : std::nullopt;
}

std::optional<Bitmap> decodeBmp(Bytes bytes, PixelSize atLeast) {
    const auto layout = readLayout(bytes);
    if (!layout) {
        return std::nullopt;
    }
    const auto& size = layout->size;
    const std::size_t height = static_cast<std::size_t>(size.height);
    const auto sourceRow = [&](int y) {
        const std::size_t stored = layout->topDown ? y : height - 1 - y;
        return bytes.subspan(layout->pixelOffset + stored * layout->rowBytes, layout->rowBytes);
    };
    const auto pixelWord = [&](Bytes row, int x) {
        return layout->bitsPerPixel == 32
                   ? u32(row, static_cast<std::size_t>(x) * 4)
                   : std::uint32_t{row[x * 3]} | std::uint32_t{row[x * 3 + 1]} << 8 |
                         std::uint32_t{row[x * 3 + 2]} << 16;
    };

    // Many writers leave the alpha byte of 32-bit files at zero; an alpha channel that is zero
    // throughout is taken as absent rather than as a wholly transparent picture.
    bool hasAlpha = false;
    for (int y = 0; layout->alpha.mask != 0 && y < size.height && !hasAlpha; ++y) {
        const auto row = sourceRow(y);
        for (int x = 0; x < size.width && !hasAlpha; ++x) {
            hasAlpha = (pixelWord(row, x) & layout->alpha.mask) != 0;
        }
    }

    BoxReducer reducer(size, reductionFactor(size, atLeast));
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(size.width) * 4);
    for (int y = 0; y < size.height; ++y) {
        const auto row = sourceRow(y);
        for (int x = 0; x < size.width; ++x) {
            const std::uint32_t word = pixelWord(row, x);
            auto* out = rgba.data() + x * 4;
            out[0] = static_cast<std::uint8_t>(layout->red.read(word));
            out[1] = static_cast<std::uint8_t>(layout->green.read(word));
            out[2] = static_cast<std::uint8_t>(layout->blue.read(word));
            out[3] = hasAlpha ? static_cast<std::uint8_t>(layout->alpha.read(word)) : 255;
        }
        reducer.addRow(rgba);
    }
    return reducer.take();
}

}  // namespace sonaris::platform::image::formats
