#include "host/art/jpeg_file_cover.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <new>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace sonaris::host::art {

using platform::image::Bitmap;
using platform::image::PixelSize;

namespace {

// What libjpeg may hold at once besides the output: a progressive picture's coefficients must all
// be buffered, and one that needs more is refused rather than decoded.
constexpr long kWorkingMemory = 8L << 20;
// The scaled decode: at most a few times the cover, since the scales step by eighths.
constexpr std::int64_t kMaxScaledPixels = 4'000'000;
constexpr unsigned kMaxSide = 65500;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void onMessage(j_common_ptr, int) {}  // warnings about damaged data are not printed

// A regular file of at most `maxBytes`, opened without waiting on a pipe or a device.
File openRegular(const std::filesystem::path& path, std::size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return nullptr;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0 ||
        static_cast<std::size_t>(status.st_size) > maxBytes) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        ::close(fd);
    }
    return File(file);
}

// The smallest eighth that keeps the decode at least `target` both ways.
unsigned scaleInEighths(PixelSize natural, PixelSize target) {
    for (unsigned eighths = 1; eighths < 8; ++eighths) {
        const auto scaled = [&](int side) { return (side * static_cast<long>(eighths) + 7) / 8; };
        if (scaled(natural.width) >= target.width && scaled(natural.height) >= target.height) {
            return eighths;
        }
    }
    return 8;
}

// Everything between setjmp and a longjmp is libjpeg's C or trivially destroyed: the bitmap
// lives in the caller's frame, so no destructor is skipped when an error jumps back.
bool decode(jpeg_decompress_struct& info, ErrorManager& errors, std::FILE* file, int maxSide,
            PixelSize& natural, Bitmap& bitmap) {
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = onMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kWorkingMemory;
    jpeg_stdio_src(&info, file);
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK || info.image_width == 0 ||
        info.image_height == 0 || info.image_width > kMaxSide || info.image_height > kMaxSide ||
        info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    natural = {static_cast<int>(info.image_width), static_cast<int>(info.image_height)};
    info.scale_num = scaleInEighths(natural, fittedSize(natural, maxSide));
    info.scale_denom = 8;
    // Cairo's ARGB32 word, opaque, in the machine's byte order.
    info.out_color_space = std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;
    jpeg_calc_output_dimensions(&info);
    const std::int64_t pixels = std::int64_t{info.output_width} * info.output_height;
    bool allocated = pixels <= kMaxScaledPixels;
    if (allocated) {
        try {
            bitmap.size = {static_cast<int>(info.output_width),
                           static_cast<int>(info.output_height)};
            bitmap.stride = bitmap.size.width * 4;
            bitmap.pixels.resize(static_cast<std::size_t>(pixels) * 4);
        } catch (const std::bad_alloc&) {
            allocated = false;
        }
    }
    if (!allocated) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row =
            bitmap.pixels.data() + static_cast<std::size_t>(info.output_scanline) * bitmap.stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    // The picture is complete; what follows it in the file is not read.
    jpeg_abort_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

std::optional<Cover> jpegFileCover(const std::filesystem::path& path, int maxSide,
                                   std::size_t maxBytes) {
    const auto file = openRegular(path, maxBytes);
    if (!file) {
        return std::nullopt;
    }
    // Not a JPEG: left to the caller without a word from libjpeg.
    const int first = std::fgetc(file.get());
    const int second = std::fgetc(file.get());
    if (first != 0xFF || second != 0xD8 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        return std::nullopt;
    }
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    PixelSize natural;
    Bitmap bitmap;
    if (!decode(info, errors, file.get(), maxSide, natural, bitmap)) {
        return std::nullopt;
    }
    auto target = fittedSize(natural, maxSide);
    target = {std::min(target.width, bitmap.size.width),
              std::min(target.height, bitmap.size.height)};
    try {
        auto rgb = downscaleToRgb(bitmap, target);
        bitmap = {};
        auto jpeg = encodeJpeg(rgb, target);
        if (!jpeg) {
            return std::nullopt;
        }
        return Cover{std::move(*jpeg), natural};
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace sonaris::host::art
