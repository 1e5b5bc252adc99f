#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

#include "platform/render/painter.hpp"

namespace sonaris::platform::render {

namespace {

struct DeflateStream {
    z_stream stream{};
    bool open = false;
    ~DeflateStream() {
        if (open)
            deflateEnd(&stream);
    }
};

static_assert(std::endian::native == std::endian::little,
              "the pixel words below are laid out as little-endian RGBA bytes");

// One Cairo pixel (premultiplied ARGB in a native word) as straight-alpha RGBA bytes in a word.
std::uint32_t straightRgba(std::uint32_t word) {
    const std::uint32_t a = word >> 24;
    // Nearly every pixel of a widget is opaque, and those are only reordered: ARGB to RGBA.
    if (a == 255)
        return std::rotr(__builtin_bswap32(word), 8);
    if (a == 0)
        return 0;
    const auto straight = [a](std::uint32_t c) {
        return std::min<std::uint32_t>((c * 255 + a / 2) / a, 255);
    };
    return straight((word >> 16) & 0xff) | straight((word >> 8) & 0xff) << 8 |
           straight(word & 0xff) << 16 | a << 24;
}

// The four bytes of `a` less those of `b`, each modulo 256, as the Up filter takes them.
std::uint32_t bytewiseDifference(std::uint32_t a, std::uint32_t b) {
    constexpr std::uint32_t high = 0x80808080;
    return ((a | high) - (b & ~high)) ^ ((a ^ ~b) & high);
}

// The bytes of a PNG file as they are put together: room for the largest file the picture can
// make, taken uninitialised, so that only what is written is ever touched.
class PngBuffer {
  public:
    explicit PngBuffer(std::size_t capacity)
        : bytes_(std::make_unique_for_overwrite<std::uint8_t[]>(capacity)), capacity_(capacity) {}

    void put(std::initializer_list<std::uint8_t> bytes) {
        std::memcpy(end(), bytes.begin(), bytes.size());
        size_ += bytes.size();
    }
    void putWord(std::uint32_t value) {
        put({static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
             static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
    }
    // A chunk's length is filled in, and its checksum added, when it is closed.
    std::size_t openChunk(const char (&type)[5]) {
        const std::size_t start = size_;
        putWord(0);
        put({static_cast<std::uint8_t>(type[0]), static_cast<std::uint8_t>(type[1]),
             static_cast<std::uint8_t>(type[2]), static_cast<std::uint8_t>(type[3])});
        return start;
    }
    void closeChunk(std::size_t start) {
        const std::size_t length = size_ - start - 8;
        const std::size_t end = size_;
        size_ = start;
        putWord(static_cast<std::uint32_t>(length));
        size_ = end;
        putWord(static_cast<std::uint32_t>(
            crc32(0, bytes_.get() + start + 4, static_cast<uInt>(length + 4))));
    }

    std::uint8_t* end() { return bytes_.get() + size_; }
    std::size_t room() const { return capacity_ - size_; }
    void grow(std::size_t written) { size_ += written; }
    std::vector<std::uint8_t> take() const { return {bytes_.get(), bytes_.get() + size_}; }

  private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::size_t capacity_;
    std::size_t size_ = 0;
};

}  // namespace

// The file is put together here around zlib: libspng's encoder filtered each byte through a
// general path that cost more than the compression itself. Every row takes the Up filter, which
// suits a widget's flat fills and gradients, at zlib level 1: a few percent larger than level 3
// and several times faster.
std::variant<EncodedPng, std::string> encodePng(const Raster& raster) {
    if (raster.width <= 0 || raster.height <= 0 || raster.stride < raster.width * 4 ||
        raster.pixels.size() < static_cast<std::size_t>(raster.stride) * raster.height)
        return "the picture is empty";

    DeflateStream deflater;
    if (deflateInit(&deflater.stream, 1) != Z_OK)
        return "PNG encoding failed: out of memory";
    deflater.open = true;

    const std::size_t rowBytes = static_cast<std::size_t>(raster.width) * 4;
    const std::size_t filtered = (rowBytes + 1) * static_cast<std::size_t>(raster.height);
    // The signature, the small chunks and the chunk headers and trailers fit in 128 bytes.
    PngBuffer out(128 + deflateBound(&deflater.stream, static_cast<uLong>(filtered)));
    out.put({0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'});
    std::size_t chunk = out.openChunk("IHDR");
    out.putWord(static_cast<std::uint32_t>(raster.width));
    out.putWord(static_cast<std::uint32_t>(raster.height));
    out.put({8, 6, 0, 0, 0});  // 8-bit RGBA, deflate, adaptive filters, no interlace
    out.closeChunk(chunk);
    chunk = out.openChunk("sRGB");
    out.put({0});  // perceptual rendering intent
    out.closeChunk(chunk);

    // Rows are converted one at a time, so that no second copy of the whole picture is held
    // while `render` writes its families side by side.
    chunk = out.openChunk("IDAT");
    const auto width = static_cast<std::size_t>(raster.width);
    std::vector<std::uint32_t> previous(width, 0);
    std::vector<std::uint32_t> current(width);
    std::vector<std::uint8_t> line(rowBytes + 1);
    line[0] = 2;  // Up
    z_stream& z = deflater.stream;
    for (int y = 0; y < raster.height; ++y) {
        const std::uint8_t* row =
            raster.pixels.data() + static_cast<std::size_t>(y) * raster.stride;
        for (std::size_t x = 0; x < width; ++x) {
            std::uint32_t word;
            std::memcpy(&word, row + x * 4, sizeof word);
            current[x] = straightRgba(word);
            const std::uint32_t filtered = bytewiseDifference(current[x], previous[x]);
            std::memcpy(line.data() + 1 + x * 4, &filtered, sizeof filtered);
        }
        current.swap(previous);
        z.next_in = line.data();
        z.avail_in = static_cast<uInt>(line.size());
        z.next_out = out.end();
        // Room for the chunk trailer and IEND is kept back; deflateBound covers the rest.
        z.avail_out = static_cast<uInt>(out.room() - 16);
        const bool last = y + 1 == raster.height;
        const int result = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
        out.grow(static_cast<std::size_t>(z.next_out - out.end()));
        if (result != (last ? Z_STREAM_END : Z_OK) || z.avail_in != 0)
            return "PNG encoding failed: " + std::string(z.msg ? z.msg : "zlib stopped early");
    }
    out.closeChunk(chunk);
    out.closeChunk(out.openChunk("IEND"));
    EncodedPng png;
    png.bytes_ = out.take();
    return png;
}

std::variant<foundation::StagedFile, std::string> stagePng(const Raster& raster,
                                                           const std::filesystem::path& path) {
    auto encoded = encodePng(raster);
    if (auto* reason = std::get_if<std::string>(&encoded))
        return std::move(*reason);
    return foundation::StagedFile::write(path, std::get<EncodedPng>(encoded).bytes());
}

std::optional<std::string> writePng(const Raster& raster, const std::filesystem::path& path) {
    auto staged = stagePng(raster, path);
    if (auto* reason = std::get_if<std::string>(&staged))
        return std::move(*reason);
    return std::get<foundation::StagedFile>(staged).commit();
}

}  // namespace sonaris::platform::render
