#include "test_pictures.hpp"

#include <spng.h>
#include <turbojpeg.h>
#include <webp/encode.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <utility>

namespace sonaris::platform::image::testing {

namespace {

std::vector<std::uint8_t> paintRgba(int width, int height, const Paint& paint) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto c = paint(x, y);
            auto* p = pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4;
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
            p[3] = c.a;
        }
    }
    return pixels;
}

Bytes compressJpeg(const std::uint8_t* pixels, int width, int height, int pixelFormat, int quality,
                   int flags) {
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int status = tjCompress2(handle, pixels, width, 0, height, pixelFormat, &out, &size,
                                   TJSAMP_444, quality, flags);
    Bytes bytes;
    if (status == 0) {
        bytes.assign(out, out + size);
    }
    tjFree(out);
    tjDestroy(handle);
    if (status != 0) {
        throw std::runtime_error("JPEG encoding failed");
    }
    return bytes;
}

void put16(Bytes& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void put32(Bytes& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// Packs variable-width codes least significant bit first, as GIF stores them.
class CodeWriter {
  public:
    void write(int code, int bits) {
        buffer_ |= static_cast<std::uint32_t>(code) << count_;
        count_ += bits;
        while (count_ >= 8) {
            bytes_.push_back(static_cast<std::uint8_t>(buffer_));
            buffer_ >>= 8;
            count_ -= 8;
        }
    }
    Bytes finish() {
        if (count_ > 0) {
            bytes_.push_back(static_cast<std::uint8_t>(buffer_));
        }
        return std::move(bytes_);
    }

  private:
    Bytes bytes_;
    std::uint32_t buffer_ = 0;
    int count_ = 0;
};

Bytes lzwCompress(const std::vector<std::uint8_t>& indices, int minimumBits) {
    const int clear = 1 << minimumBits;
    int bits = minimumBits + 1;
    int next = clear + 2;
    std::map<std::pair<int, int>, int> table;
    CodeWriter writer;
    writer.write(clear, bits);
    if (!indices.empty()) {
        int prefix = indices[0];
        for (std::size_t i = 1; i < indices.size(); ++i) {
            const auto found = table.find({prefix, indices[i]});
            if (found != table.end()) {
                prefix = found->second;
                continue;
            }
            writer.write(prefix, bits);
            if (next < 4096) {
                table[{prefix, indices[i]}] = next++;
                if (next > (1 << bits) && bits < 12) {
                    ++bits;
                }
            }
            prefix = indices[i];
        }
        writer.write(prefix, bits);
    }
    writer.write(clear + 1, bits);
    return writer.finish();
}

}  // namespace

Bytes makeJpeg(int width, int height, const Paint& paint, JpegOptions options) {
    const auto pixels = paintRgba(width, height, paint);
    return compressJpeg(pixels.data(), width, height, TJPF_RGBA, options.quality,
                        options.progressive ? TJFLAG_PROGRESSIVE : 0);
}

Bytes makeCmykJpeg(int width, int height, std::uint8_t c, std::uint8_t m, std::uint8_t y,
                   std::uint8_t k) {
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < width * height; ++i) {
        pixels.insert(pixels.end(), {c, m, y, k});
    }
    return compressJpeg(pixels.data(), width, height, TJPF_CMYK, 95, 0);
}

Bytes makePng(int width, int height, const Paint& paint, PngOptions options) {
    spng_ctx* context = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(context, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{};
    ihdr.width = static_cast<std::uint32_t>(width);
    ihdr.height = static_cast<std::uint32_t>(height);
    ihdr.bit_depth = 8;
    ihdr.color_type = options.kind == PngKind::Gray8 ? SPNG_COLOR_TYPE_GRAYSCALE
                                                     : SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
    ihdr.interlace_method = options.interlaced ? SPNG_INTERLACE_ADAM7 : SPNG_INTERLACE_NONE;
    spng_set_ihdr(context, &ihdr);
    const int channels = options.kind == PngKind::Gray8 ? 1 : 4;
    int status = spng_encode_image(context, nullptr, 0, SPNG_FMT_PNG,
                                   SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * channels);
    while (status == 0) {
        spng_row_info info{};
        if ((status = spng_get_row_info(context, &info)) != 0) {
            break;
        }
        for (int x = 0; x < width; ++x) {
            const auto c = paint(x, static_cast<int>(info.row_num));
            const std::uint8_t rgba[] = {c.r, c.g, c.b, c.a};
            std::memcpy(row.data() + x * channels, rgba, channels);
        }
        status = spng_encode_row(context, row.data(), row.size());
    }
    std::size_t size = 0;
    int error = 0;
    auto* buffer = static_cast<std::uint8_t*>(spng_get_png_buffer(context, &size, &error));
    Bytes bytes;
    if (status == SPNG_EOI && buffer != nullptr) {
        bytes.assign(buffer, buffer + size);
    }
    std::free(buffer);
    spng_ctx_free(context);
    if (bytes.empty()) {
        throw std::runtime_error("PNG encoding failed");
    }
    return bytes;
}

Bytes makeWebp(int width, int height, const Paint& paint, bool lossless) {
    const auto pixels = paintRgba(width, height, paint);
    std::uint8_t* out = nullptr;
    const std::size_t size =
        lossless ? WebPEncodeLosslessRGBA(pixels.data(), width, height, width * 4, &out)
                 : WebPEncodeRGBA(pixels.data(), width, height, width * 4, 90, &out);
    Bytes bytes(out, out + size);
    WebPFree(out);
    if (bytes.empty()) {
        throw std::runtime_error("WebP encoding failed");
    }
    return bytes;
}

Bytes makeBmp(int width, int height, const Paint& paint, BmpKind kind, bool topDown) {
    const int bitsPerPixel = kind == BmpKind::Rgb24 ? 24 : 32;
    const std::uint32_t infoSize = kind == BmpKind::Rgba32BitFields ? 108 : 40;
    const std::uint32_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    const std::uint32_t offset = 14 + infoSize;
    Bytes out{'B', 'M'};
    put32(out, offset + rowBytes * height);
    put32(out, 0);
    put32(out, offset);
    put32(out, infoSize);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(topDown ? -height : height));
    put16(out, 1);
    put16(out, bitsPerPixel);
    put32(out, kind == BmpKind::Rgba32BitFields ? 3 : 0);
    put32(out, rowBytes * height);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    if (kind == BmpKind::Rgba32BitFields) {
        for (std::uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) {
            put32(out, mask);
        }
        put32(out, 0x73524742);  // 'sRGB'
        out.resize(offset, 0);
    }
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        const std::size_t start = out.size();
        for (int x = 0; x < width; ++x) {
            const auto c = paint(x, y);
            out.insert(out.end(), {c.b, c.g, c.r});
            if (bitsPerPixel == 32) {
                out.push_back(kind == BmpKind::Rgb32 ? 0 : c.a);
            }
        }
        out.resize(start + rowBytes, 0);
    }
    return out;
}

Bytes makeGif(int screenWidth, int screenHeight, const std::vector<Rgba>& palette,
              const GifFrame& frame, int transparentIndex) {
    int sizeBits = 1;
    while ((1 << sizeBits) < static_cast<int>(palette.size())) {
        ++sizeBits;
    }
    Bytes out{'G', 'I', 'F', '8', '9', 'a'};
    put16(out, screenWidth);
    put16(out, screenHeight);
    out.push_back(static_cast<std::uint8_t>(0x80 | (sizeBits - 1)));
    out.push_back(0);
    out.push_back(0);
    for (int i = 0; i < (1 << sizeBits); ++i) {
        const auto c = i < static_cast<int>(palette.size()) ? palette[i] : Rgba{};
        out.insert(out.end(), {c.r, c.g, c.b});
    }
    if (transparentIndex >= 0) {
        out.insert(out.end(), {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00,
                               static_cast<std::uint8_t>(transparentIndex), 0x00});
    }
    out.push_back(0x2C);
    put16(out, frame.left);
    put16(out, frame.top);
    put16(out, frame.width);
    put16(out, frame.height);
    out.push_back(frame.interlaced ? 0x40 : 0x00);
    const int minimumBits = std::max(2, sizeBits);
    out.push_back(static_cast<std::uint8_t>(minimumBits));
    const auto data = lzwCompress(frame.indices, minimumBits);
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t length = std::min<std::size_t>(255, data.size() - at);
        out.push_back(static_cast<std::uint8_t>(length));
        out.insert(out.end(), data.begin() + at, data.begin() + at + length);
    }
    out.push_back(0);
    out.push_back(0x3B);
    return out;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
        }
    }
    return ~crc;
}

void appendChunk(Bytes& png, const char type[4], const Bytes& data) {
    const auto putBig = [&png](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            png.push_back(static_cast<std::uint8_t>(v >> shift));
        }
    };
    putBig(static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    putBig(crc32(png.data() + start, png.size() - start));
}

}  // namespace sonaris::platform::image::testing
