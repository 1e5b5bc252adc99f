#include <spng.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/image/box_reducer.hpp"
#include "platform/image/formats.hpp"
#include "platform/image/limits.hpp"

namespace sonaris::platform::image::formats {

namespace {

struct SpngDeleter {
    void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
using Spng = std::unique_ptr<spng_ctx, SpngDeleter>;

// Text and colour-profile chunks are never used here; capping them stops a file from making the
// decoder buffer megabytes of compressed metadata.
constexpr std::size_t kMaxChunkBytes = 4 * 1024 * 1024;
constexpr std::size_t kMaxChunkCacheBytes = 8 * 1024 * 1024;

struct OpenPng {
    Spng context;
    PixelSize size;
    bool interlaced = false;
};

// Whether the chunks run whole from the header to IEND with image data among them: a header
// alone, or a file cut short while the host rewrites it, is no picture. The data itself is only
// checked when it is decoded.
bool hasImageData(Bytes bytes) {
    constexpr std::size_t kSignatureBytes = 8;
    const auto u32At = [bytes](std::size_t at) {
        return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 |
               std::uint32_t{bytes[at + 2]} << 8 | std::uint32_t{bytes[at + 3]};
    };
    bool hasData = false;
    std::size_t at = kSignatureBytes;
    while (at + 12 <= bytes.size()) {
        const std::size_t length = u32At(at);
        if (length > bytes.size() - at - 12) {
            return false;
        }
        const auto type = bytes.subspan(at + 4, 4);
        if (std::equal(type.begin(), type.end(), "IDAT")) {
            hasData = hasData || length > 0;
        } else if (std::equal(type.begin(), type.end(), "IEND")) {
            return hasData;
        }
        at += 12 + length;
    }
    return false;
}

std::optional<OpenPng> open(Bytes bytes) {
    static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < sizeof kSignature ||
        !std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin())) {
        return std::nullopt;
    }
    Spng context{spng_ctx_new(0)};
    if (!context || spng_set_image_limits(context.get(), kMaxSide, kMaxSide) != 0 ||
        spng_set_chunk_limits(context.get(), kMaxChunkBytes, kMaxChunkCacheBytes) != 0 ||
        spng_set_png_buffer(context.get(), bytes.data(), bytes.size()) != 0) {
        return std::nullopt;
    }
    spng_ihdr ihdr{};
    if (spng_get_ihdr(context.get(), &ihdr) != 0) {
        return std::nullopt;
    }
    const PixelSize size{static_cast<int>(ihdr.width), static_cast<int>(ihdr.height)};
    const bool interlaced = ihdr.interlace_method != SPNG_INTERLACE_NONE;
    const std::int64_t held = interlaced ? std::int64_t{size.width} * size.height * 4 : 0;
    if (!isAcceptableSize(size) || !fitsWorkingMemory(held) || !hasImageData(bytes)) {
        return std::nullopt;
    }
    return OpenPng{std::move(context), size, interlaced};
}

// Adam7 revisits rows, so an interlaced picture is gathered whole before it is shrunk; only
// pictures whose whole fits the working memory get here.
std::optional<Bitmap> decodeInterlaced(spng_ctx* context, PixelSize size, int factor) {
    const std::size_t rowBytes = static_cast<std::size_t>(size.width) * 4;
    std::vector<std::uint8_t> picture(rowBytes * size.height);
    int status = 0;
    do {
        spng_row_info info{};
        status = spng_get_row_info(context, &info);
        if (status != 0 || info.row_num >= static_cast<std::uint32_t>(size.height)) {
            break;
        }
        status = spng_decode_row(context, picture.data() + rowBytes * info.row_num, rowBytes);
    } while (status == 0);
    if (status != SPNG_EOI) {
        return std::nullopt;
    }
    BoxReducer reducer(size, factor);
    for (int y = 0; y < size.height; ++y) {
        reducer.addRow({picture.data() + rowBytes * y, rowBytes});
    }
    return reducer.take();
}

}  // namespace

std::optional<PixelSize> pngSize(Bytes bytes) {
    auto png = open(bytes);
    return png ? std::optional{png->size} : std::nullopt;
}

std::optional<Bitmap> decodePng(Bytes bytes, PixelSize atLeast) {
    auto png = open(bytes);
    if (!png || spng_decode_image(png->context.get(), nullptr, 0, SPNG_FMT_RGBA8,
                                  SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE) != 0) {
        return std::nullopt;
    }
    const int factor = reductionFactor(png->size, atLeast);
    if (png->interlaced) {
        return decodeInterlaced(png->context.get(), png->size, factor);
    }
    // Rows are shrunk as they come out of the inflater, so a picture that decompresses to far more
    // than its file size never exists at full size in memory.
    const std::size_t rowBytes = static_cast<std::size_t>(png->size.width) * 4;
    std::vector<std::uint8_t> row(rowBytes);
    BoxReducer reducer(png->size, factor);
    int status = 0;
    while (!reducer.isComplete()) {
        status = spng_decode_row(png->context.get(), row.data(), row.size());
        if (status != 0 && status != SPNG_EOI) {
            return std::nullopt;
        }
        reducer.addRow(row);
        if (status == SPNG_EOI) {
            break;
        }
    }
    if (!reducer.isComplete()) {
        return std::nullopt;
    }
    return reducer.take();
}

}  // namespace sonaris::platform::image::formats
