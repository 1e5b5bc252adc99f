#include <spng.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <system_error>

#include "platform/render/painter.hpp"

namespace sonaris::platform::render {

namespace {

struct SpngContextDeleter {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
struct MallocDeleter {
    void operator()(void* p) const { std::free(p); }
};

// One row of Cairo's premultiplied native-endian words to straight-alpha RGBA bytes.
void straightRgbaRow(const std::uint8_t* row, int width, std::uint8_t* out) {
    for (int x = 0; x < width; ++x) {
        std::uint32_t word;
        std::memcpy(&word, row + static_cast<std::size_t>(x) * 4, sizeof word);
        const std::uint32_t a = word >> 24;
        const std::uint32_t channels[3] = {(word >> 16) & 0xff, (word >> 8) & 0xff, word & 0xff};
        // Nearly every pixel of a widget is opaque, and those need no division.
        if (a == 255) {
            for (std::uint32_t c : channels)
                *out++ = static_cast<std::uint8_t>(c);
        } else {
            for (std::uint32_t c : channels)
                *out++ = a == 0 ? 0
                                : static_cast<std::uint8_t>(
                                      std::min<std::uint32_t>((c * 255 + a / 2) / a, 255));
        }
        *out++ = static_cast<std::uint8_t>(a);
    }
}

}  // namespace

std::optional<std::string> writePng(const Raster& raster, const std::filesystem::path& path) {
    if (raster.width <= 0 || raster.height <= 0 || raster.stride < raster.width * 4 ||
        raster.pixels.size() < static_cast<std::size_t>(raster.stride) * raster.height)
        return "the picture is empty";

    std::unique_ptr<spng_ctx, SpngContextDeleter> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!ctx)
        return "PNG encoding failed: out of memory";
    spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    // libspng's default tries every row filter at zlib level 6, which took a `render` of all
    // three families longer than decoding a 4000x4000 cover. One filter at level 1 is several
    // times faster, for files a few percent larger than at level 3; the pixels are the same.
    spng_set_option(ctx.get(), SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_UP);
    spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, 1);
    spng_ihdr ihdr{};
    ihdr.width = static_cast<std::uint32_t>(raster.width);
    ihdr.height = static_cast<std::uint32_t>(raster.height);
    ihdr.bit_depth = 8;
    ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
    if (int err = spng_set_ihdr(ctx.get(), &ihdr))
        return std::string("PNG encoding failed: ") + spng_strerror(err);
    spng_set_srgb(ctx.get(), 0);  // perceptual rendering intent
    // Rows are converted one at a time, so that no second copy of the whole picture is held
    // while `render` writes its families side by side.
    if (int err = spng_encode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG,
                                    SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE))
        return std::string("PNG encoding failed: ") + spng_strerror(err);
    std::vector<std::uint8_t> rgbaRow(static_cast<std::size_t>(raster.width) * 4);
    for (int y = 0; y < raster.height; ++y) {
        straightRgbaRow(raster.pixels.data() + static_cast<std::size_t>(y) * raster.stride,
                        raster.width, rgbaRow.data());
        const int err = spng_encode_row(ctx.get(), rgbaRow.data(), rgbaRow.size());
        if (err != 0 && !(err == SPNG_EOI && y == raster.height - 1))
            return std::string("PNG encoding failed: ") + spng_strerror(err);
    }
    std::size_t length = 0;
    int err = 0;
    std::unique_ptr<void, MallocDeleter> encoded(spng_get_png_buffer(ctx.get(), &length, &err));
    if (!encoded || err)
        return std::string("PNG encoding failed: ") + spng_strerror(err);

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return std::strerror(errno);
    file.write(static_cast<const char*>(encoded.get()), static_cast<std::streamsize>(length));
    file.close();
    if (!file) {
        const std::string reason = std::strerror(errno);
        std::error_code ignored;
        std::filesystem::remove(path, ignored);  // a truncated PNG is worse than none
        return reason;
    }
    return std::nullopt;
}

}  // namespace sonaris::platform::render
