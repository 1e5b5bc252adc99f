#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/image/box_reducer.hpp"
#include "platform/image/formats.hpp"
#include "platform/image/limits.hpp"

// Only the first frame is shown, composed onto a transparent screen of the header's size: a still
// cover is all that is asked of a GIF, and browsers show the same frame before animating.
namespace sonaris::platform::image::formats {

namespace {

constexpr std::size_t kScreenHeaderBytes = 13;
constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;

std::uint16_t u16(Bytes bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

class Reader {
  public:
    explicit Reader(Bytes bytes, std::size_t at = 0) : bytes_(bytes), at_(at) {}
    bool has(std::size_t count) const { return bytes_.size() - at_ >= count; }
    std::uint8_t byte() { return bytes_[at_++]; }
    std::uint8_t peek(std::size_t ahead) const { return bytes_[at_ + ahead]; }
    Bytes take(std::size_t count) {
        const auto part = bytes_.subspan(at_, count);
        at_ += count;
        return part;
    }
    // Walks over a chain of data sub-blocks; false when the chain runs past the end of the file.
    bool skipSubBlocks() {
        while (has(1)) {
            const std::size_t length = byte();
            if (length == 0) {
                return true;
            }
            if (!has(length)) {
                return false;
            }
            at_ += length;
        }
        return false;
    }
    std::size_t position() const { return at_; }

  private:
    Bytes bytes_;
    std::size_t at_;
};

using Palette = std::vector<std::array<std::uint8_t, 3>>;

bool readPalette(Reader& reader, std::uint8_t flags, Palette& palette) {
    if ((flags & 0x80) == 0) {
        return true;
    }
    const std::size_t entries = std::size_t{2} << (flags & 0x07);
    if (!reader.has(entries * 3)) {
        return false;
    }
    palette.resize(entries);
    for (auto& colour : palette) {
        colour = {reader.byte(), reader.byte(), reader.byte()};
    }
    return true;
}

// Reads the LZW code stream, which is split into sub-blocks, one code at a time.
class CodeStream {
  public:
    explicit CodeStream(Reader& reader) : reader_(reader) {}

    // Nothing once the data runs out, as it does in a truncated file.
    std::optional<int> next(int bits) {
        while (bitCount_ < bits) {
            if (blockLeft_ == 0) {
                if (ended_ || !reader_.has(1) || (blockLeft_ = reader_.byte()) == 0) {
                    ended_ = true;
                    return std::nullopt;
                }
            }
            if (!reader_.has(1)) {
                ended_ = true;
                return std::nullopt;
            }
            bitBuffer_ |= std::uint32_t{reader_.byte()} << bitCount_;
            bitCount_ += 8;
            --blockLeft_;
        }
        const int code = static_cast<int>(bitBuffer_ & ((1u << bits) - 1));
        bitBuffer_ >>= bits;
        bitCount_ -= bits;
        return code;
    }

  private:
    Reader& reader_;
    std::uint32_t bitBuffer_ = 0;
    int bitCount_ = 0;
    std::size_t blockLeft_ = 0;
    bool ended_ = false;
};

// Decodes palette indices into `indices` until it is full or the data ends. False only when the
// code stream is malformed.
bool decompress(Reader& reader, int minimumBits, std::vector<std::uint8_t>& indices,
                std::size_t& produced) {
    const int clear = 1 << minimumBits;
    const int end = clear + 1;
    std::array<std::uint16_t, kTableSize> prefix{};
    std::array<std::uint8_t, kTableSize> suffix{};
    std::array<std::uint8_t, kTableSize> first{};
    std::array<std::uint8_t, kTableSize> stack{};
    for (int code = 0; code < clear; ++code) {
        suffix[code] = first[code] = static_cast<std::uint8_t>(code);
    }
    int bits = minimumBits + 1;
    int nextFree = clear + 2;
    int previous = -1;
    CodeStream codes(reader);
    while (produced < indices.size()) {
        const auto read = codes.next(bits);
        if (!read || *read == end) {
            return true;
        }
        const int code = *read;
        if (code == clear) {
            bits = minimumBits + 1;
            nextFree = clear + 2;
            previous = -1;
            continue;
        }
        if (code > nextFree || (previous < 0 && code >= clear)) {
            return false;
        }
        // Unwind the string for `code`; the code just about to be defined (KwKwK) is the previous
        // string followed by its own first index.
        std::size_t depth = 0;
        int walk = code;
        if (code == nextFree) {
            stack[depth++] = first[previous];
            walk = previous;
        }
        while (walk >= clear) {
            stack[depth++] = suffix[walk];
            walk = prefix[walk];
        }
        stack[depth++] = static_cast<std::uint8_t>(walk);
        const std::uint8_t head = static_cast<std::uint8_t>(walk);
        while (depth > 0 && produced < indices.size()) {
            indices[produced++] = stack[--depth];
        }
        if (previous >= 0 && nextFree < kTableSize) {
            prefix[nextFree] = static_cast<std::uint16_t>(previous);
            suffix[nextFree] = head;
            first[nextFree] = first[previous];
            ++nextFree;
            if (nextFree == (1 << bits) && bits < kMaxCodeBits) {
                ++bits;
            }
        }
        previous = code;
    }
    return true;
}

// Row order of a frame stored in the four interlaced passes.
std::vector<int> interlacedRows(int height) {
    std::vector<int> rows;
    rows.reserve(height);
    for (const auto& [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
        for (int y = start; y < height; y += step) {
            rows.push_back(y);
        }
    }
    return rows;
}

std::optional<PixelSize> screenSize(Bytes bytes) {
    if (bytes.size() < kScreenHeaderBytes ||
        !(std::equal(bytes.begin(), bytes.begin() + 6, "GIF87a") ||
          std::equal(bytes.begin(), bytes.begin() + 6, "GIF89a"))) {
        return std::nullopt;
    }
    const PixelSize size{u16(bytes, 6), u16(bytes, 8)};
    return isAcceptableSize(size) ? std::optional{size} : std::nullopt;
}

}  // namespace

std::optional<PixelSize> gifSize(Bytes bytes) {
    return screenSize(bytes);
}

std::optional<Bitmap> decodeGif(Bytes bytes, PixelSize atLeast) {
    const auto screen = screenSize(bytes);
    if (!screen) {
        return std::nullopt;
    }
    Reader reader(bytes, 10);
    const std::uint8_t screenFlags = reader.byte();
    reader.take(2);  // background index and aspect ratio
    Palette globalPalette;
    if (!readPalette(reader, screenFlags, globalPalette)) {
        return std::nullopt;
    }

    int transparentIndex = -1;
    while (reader.has(1)) {
        const std::uint8_t introducer = reader.byte();
        if (introducer == 0x21 && reader.has(1)) {
            const std::uint8_t label = reader.byte();
            if (label == 0xF9 && reader.has(5) && reader.peek(0) == 4) {
                transparentIndex = (reader.peek(1) & 0x01) ? reader.peek(4) : -1;
            }
            if (!reader.skipSubBlocks()) {
                return std::nullopt;
            }
            continue;
        }
        if (introducer != 0x2C || !reader.has(10)) {
            return std::nullopt;  // the trailer, or bytes that are no block: there is no frame
        }
        const auto descriptor = reader.take(9);
        const int left = u16(descriptor, 0);
        const int top = u16(descriptor, 2);
        const int width = u16(descriptor, 4);
        const int height = u16(descriptor, 6);
        const std::uint8_t frameFlags = descriptor[8];
        if (!isAcceptableSize({width, height})) {
            return std::nullopt;
        }
        Palette localPalette;
        if (!readPalette(reader, frameFlags, localPalette) || !reader.has(1)) {
            return std::nullopt;
        }
        const int minimumBits = reader.byte();
        if (minimumBits < 1 || minimumBits > 11) {
            return std::nullopt;
        }
        const Palette& palette = localPalette.empty() ? globalPalette : localPalette;

        std::vector<std::uint8_t> indices(static_cast<std::size_t>(width) * height);
        std::size_t produced = 0;
        if (!decompress(reader, minimumBits, indices, produced)) {
            return std::nullopt;
        }
        std::vector<int> rowOrder(height);
        if (frameFlags & 0x40) {
            rowOrder = interlacedRows(height);
        } else {
            for (int y = 0; y < height; ++y) {
                rowOrder[y] = y;
            }
        }
        // Frame row y of the screen, or -1 when the frame does not cover that screen row.
        std::vector<int> storedRow(screen->height, -1);
        for (int stored = 0; stored < height; ++stored) {
            const int y = top + rowOrder[stored];
            if (y < screen->height && static_cast<std::size_t>(stored) * width < produced) {
                storedRow[y] = stored;
            }
        }

        BoxReducer reducer(*screen, reductionFactor(*screen, atLeast));
        std::vector<std::uint8_t> rgba(static_cast<std::size_t>(screen->width) * 4);
        for (int y = 0; y < screen->height; ++y) {
            std::fill(rgba.begin(), rgba.end(), 0);
            if (storedRow[y] >= 0) {
                const std::size_t base = static_cast<std::size_t>(storedRow[y]) * width;
                for (int x = 0; x < width && left + x < screen->width; ++x) {
                    if (base + x >= produced) {
                        break;
                    }
                    const int index = indices[base + x];
                    if (index == transparentIndex) {
                        continue;
                    }
                    auto* out = rgba.data() + (left + x) * 4;
                    if (static_cast<std::size_t>(index) < palette.size()) {
                        std::copy(palette[index].begin(), palette[index].end(), out);
                    }
                    out[3] = 255;
                }
            }
            reducer.addRow(rgba);
        }
        return reducer.take();
    }
    return std::nullopt;
}

}  // namespace sonaris::platform::image::formats
