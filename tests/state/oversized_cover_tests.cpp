// Cover art the host leaves may claim any size. A few bytes of header declaring 65535 x 65535
// pixels, or a small file that inflates to tens of megabytes, must cost the widget no more than a
// refusal or a small decode, whichever way it arrives: inline Base64 or a cover file.

#include <spng.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/base64.hpp"
#include "state/host_files.hpp"
#include "state/state_json.hpp"
#include "state/widget_data_loader.hpp"

namespace sonaris::state {
namespace {

using platform::image::PixelSize;
using Bytes = std::vector<std::uint8_t>;
using testing::base64Of;
using testing::makeJpeg;
using testing::ScratchHome;
using testing::writeFile;

long peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// A real JPEG whose frame header is rewritten to state another size.
Bytes jpegDeclaring(int width, int height) {
    auto jpeg = makeJpeg(16, 16);
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<std::uint8_t>(height);
            jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<std::uint8_t>(width);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no baseline frame header";
    return jpeg;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void appendBigEndian(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendChunk(Bytes& png, const char (&type)[5], const Bytes& data) {
    appendBigEndian(png, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    png.insert(png.end(), typed.begin(), typed.end());
    appendBigEndian(png, crc32(typed.data(), typed.size()));
}

// A PNG header stating the size, followed by one empty deflate block of image data.
Bytes pngDeclaring(std::uint32_t width, std::uint32_t height) {
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0});
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", {0x78, 0x01, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x01});
    appendChunk(png, "IEND", {});
    return png;
}

// A grey PNG of zeros: a few tens of kilobytes that inflate to side * side bytes.
Bytes zeroPng(int side) {
    const std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> context(spng_ctx_new(SPNG_CTX_ENCODER),
                                                                 spng_ctx_free);
    spng_set_option(context.get(), SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr header{};
    header.width = static_cast<std::uint32_t>(side);
    header.height = static_cast<std::uint32_t>(side);
    header.color_type = SPNG_COLOR_TYPE_GRAYSCALE;
    header.bit_depth = 8;
    spng_set_ihdr(context.get(), &header);
    if (spng_encode_image(context.get(), nullptr, 0, SPNG_FMT_PNG,
                          SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE) != 0)
        return {};
    const std::vector<std::uint8_t> row(static_cast<std::size_t>(side), 0);
    int status = 0;
    for (int y = 0; y < side && status == 0; ++y)
        status = spng_encode_row(context.get(), row.data(), row.size());
    if (status != SPNG_EOI)
        return {};
    std::size_t size = 0;
    int error = 0;
    const std::unique_ptr<void, void (*)(void*)> buffer(
        spng_get_png_buffer(context.get(), &size, &error), std::free);
    if (!buffer || error)
        return {};
    const auto* bytes = static_cast<const std::uint8_t*>(buffer.get());
    return Bytes(bytes, bytes + size);
}

struct Bomb {
    const char* name;
    Bytes bytes;
};

std::array<Bomb, 4> headerBombs() {
    return {{
        {"jpeg 65535 square", jpegDeclaring(65535, 65535)},
        {"jpeg 65535 wide", jpegDeclaring(65535, 1)},
        {"png 65535 square", pngDeclaring(65535, 65535)},
        {"png 2^31-1 square", pngDeclaring(0x7FFFFFFF, 0x7FFFFFFF)},
    }};
}

// Whichever way an absurd header arrives, it is turned away on its header, the next source is
// tried, and no pixel buffer is ever sized from it.
TEST(OversizedCoverTest, AbsurdHeadersGiveNoPictureAndTheNextSourceIsTried) {
    const auto good = makeJpeg(24, 12);
    const long before = peakResidentMegabytes();
    for (const auto& bomb : headerBombs()) {
        SCOPED_TRACE(bomb.name);
        ScratchHome home;
        const auto text = base64Of(bomb.bytes);

        EXPECT_FALSE(WidgetDataLoader::loadArtworkImage(text));

        writeFile(home.containerCover(), bomb.bytes);
        EXPECT_FALSE(WidgetDataLoader::loadArtworkImage(text));
        EXPECT_FALSE(WidgetDataLoader::loadArtworkImage(std::nullopt));

        writeFile(home.supportCover(), good);
        const auto fallback = WidgetDataLoader::loadArtworkImage(text);
        ASSERT_TRUE(fallback);
        EXPECT_EQ(fallback->naturalSize(), (PixelSize{24, 12}));
    }
    EXPECT_LT(peakResidentMegabytes() - before, 64);
}

// 36 megapixels of zeros in a state file's inline cover: the picture is believed (it is within
// the limits) and drawn small without ever holding it whole.
TEST(OversizedCoverTest, InflatingInlineCoverDecodesSmallInBoundedMemory) {
    constexpr int kSide = 6000;
    const auto bomb = zeroPng(kSide);
    ASSERT_FALSE(bomb.empty());
    ASSERT_LT(bomb.size(), 200'000u);

    ScratchHome home;
    writeFile(home.containerState(),
              testing::stateDocumentWith("artworkBase64", "\"" + base64Of(bomb) + "\""));
    const auto state = WidgetDataLoader::loadState();
    ASSERT_TRUE(state.artworkBase64);

    const long before = peakResidentMegabytes();
    const auto image = WidgetDataLoader::loadArtworkImage(state.artworkBase64);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->naturalSize(), (PixelSize{kSide, kSide}));
    const auto pixels = image->decoded({120, 120});
    ASSERT_TRUE(pixels);
    EXPECT_GE(pixels->size.width, 120);
    EXPECT_LE(pixels->size.width, 1000);
    EXPECT_LT(peakResidentMegabytes() - before, 48);
}

}  // namespace
}  // namespace sonaris::state
