#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
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

// Decodes palette indices a frame row at a time, handing each row to `onRow` (a short last row
// when the data runs out) until `rows` rows are done, the data ends or `onRow` asks to stop. False
// only when the code stream is malformed.
template <class OnRow>
bool decompress(Reader& reader, int minimumBits, int width, int rows, OnRow onRow) {
    const int clear = 1 << minimumBits;
    const int end = clear + 1;
    std::array<std::uint16_t, kTableSize> prefix{};
    std::array<std::uint8_t, kTableSize> suffix{};
    std::array<std::uint8_t, kTableSize> first{};
    std::array<std::uint8_t, kTableSize> stack{};
    for (int code = 0; code < clear; ++code) {
        suffix[code] = first[code] = static_cast<std::uint8_t>(code);
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
    std::size_t filled = 0;
    int rowsDone = 0;
    int bits = minimumBits + 1;
    int nextFree = clear + 2;
    int previous = -1;
    CodeStream codes(reader);
    while (rowsDone < rows) {
        const auto read = codes.next(bits);
        if (!read || *read == end) {
            if (filled > 0) {
                onRow(rowsDone, std::span<const std::uint8_t>(row.data(), filled));
            }
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
        while (depth > 0 && rowsDone < rows) {
            row[filled++] = stack[--depth];
            if (filled == row.size()) {
                filled = 0;
                if (!onRow(rowsDone++, std::span<const std::uint8_t>(row))) {
                    return true;
                }
            }
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

// The frame row that the `stored`-th row of data holds, in the four passes of an interlaced frame.
int interlacedRow(int stored, int height) {
    for (const auto& [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
        const int inPass = start < height ? (height - start + step - 1) / step : 0;
        if (stored < inPass) {
            return start + stored * step;
        }
        stored -= inPass;
    }
    return height;  // past the frame
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

// Whether a first frame and the start of its data are there: a header alone, or a file cut short
// while the host rewrites it, is no picture.
bool hasFrame(Bytes bytes) {
    Reader reader(bytes, 10);
    const std::uint8_t screenFlags = reader.byte();
    reader.take(2);
    Palette ignored;
    if (!readPalette(reader, screenFlags, ignored)) {
        return false;
    }
    while (reader.has(1)) {
        const std::uint8_t introducer = reader.byte();
        if (introducer == 0x21 && reader.has(1)) {
            reader.byte();
            if (!reader.skipSubBlocks()) {
                return false;
            }
            continue;
        }
        if (introducer != 0x2C || !reader.has(10)) {
            return false;
        }
        const auto descriptor = reader.take(9);
        if (!readPalette(reader, descriptor[8], ignored) || !reader.has(2)) {
            return false;
        }
        reader.byte();  // the code size
        return reader.peek(0) > 0;
    }
    return false;
}

}  // namespace

std::optional<PixelSize> gifSize(Bytes bytes) {
    const auto size = screenSize(bytes);
    return size && hasFrame(bytes) ? size : std::nullopt;
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
        const bool interlaced = (frameFlags & 0x40) != 0;

        // Only the part of the frame that lies on the screen is kept: a frame may be far larger
        // than the screen it is shown on.
        const int visibleLeft = std::min(left, screen->width);
        const int visibleWidth = std::clamp(screen->width - left, 0, width);
        const int visibleTop = std::min(top, screen->height);
        const int visibleHeight = std::clamp(screen->height - top, 0, height);
        // Rows of an interlaced frame arrive out of order, so its visible part is gathered first.
        const auto gathered =
            interlaced ? std::int64_t{visibleWidth} * visibleHeight : std::int64_t{0};
        if (!fitsWorkingMemory(gathered)) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> indices(static_cast<std::size_t>(gathered));
        std::vector<int> rowLength(interlaced ? visibleHeight : 0, -1);
        int visibleRowsSeen = 0;

        BoxReducer reducer(*screen, reductionFactor(*screen, atLeast));
        std::vector<std::uint8_t> rgba(static_cast<std::size_t>(screen->width) * 4);
        int screenRowsDone = 0;
        // The screen's row `y`, with the frame's visible indices laid over it.
        const auto emitRow = [&](std::span<const std::uint8_t> frameRow) {
            std::fill(rgba.begin(), rgba.end(), 0);
            const auto count = std::min<std::size_t>(frameRow.size(), visibleWidth);
            for (std::size_t x = 0; x < count; ++x) {
                const int index = frameRow[x];
                if (index == transparentIndex) {
                    continue;
                }
                auto* out = rgba.data() + (visibleLeft + x) * 4;
                if (static_cast<std::size_t>(index) < palette.size()) {
                    std::copy(palette[index].begin(), palette[index].end(), out);
                }
                out[3] = 255;
            }
            reducer.addRow(rgba);
            ++screenRowsDone;
        };
        const auto emitBlankRowsUpTo = [&](int y) {
            while (screenRowsDone < y) {
                emitRow({});
            }
        };

        const auto onRow = [&](int stored, std::span<const std::uint8_t> frameRow) {
            if (visibleWidth == 0 || visibleHeight == 0) {
                return false;
            }
            const int y = interlaced ? interlacedRow(stored, height) : stored;
            if (y >= visibleHeight) {
                // Row order ends here; interlaced passes may come back to visible rows.
                return interlaced;
            }
            if (interlaced) {
                const auto count = std::min<std::size_t>(frameRow.size(), visibleWidth);
                std::copy_n(frameRow.begin(), count,
                            indices.begin() + static_cast<std::ptrdiff_t>(y) * visibleWidth);
                visibleRowsSeen += rowLength[y] < 0;
                rowLength[y] = static_cast<int>(count);
                return visibleRowsSeen < visibleHeight;
            } else {
                emitBlankRowsUpTo(visibleTop + y);
                emitRow(frameRow);
            }
            return true;
        };
        if (!decompress(reader, minimumBits, width, height, onRow)) {
            return std::nullopt;
        }
        if (interlaced) {
            emitBlankRowsUpTo(visibleTop);
            for (int y = 0; y < visibleHeight; ++y) {
                emitRow({indices.data() + static_cast<std::size_t>(y) * visibleWidth,
                         static_cast<std::size_t>(std::max(rowLength[y], 0))});
            }
        }
        emitBlankRowsUpTo(screen->height);
        return reducer.take();
    }
    return std::nullopt;
}

}  // namespace sonaris::platform::image::formats
