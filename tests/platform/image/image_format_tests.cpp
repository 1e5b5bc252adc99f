#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/image/image.hpp"
#include "test_pictures.hpp"

namespace sonaris::platform::image {
namespace {

using namespace testing;
using ::testing::TestWithParam;
using ::testing::Values;

// Channels of an ARGB word may each be off by `tolerance`, for lossy encodings.
::testing::AssertionResult nearArgb(std::uint32_t actual, std::uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = (actual >> shift) & 0xFF;
        const int e = (expected >> shift) & 0xFF;
        if (std::abs(a - e) > tolerance) {
            char text[64];
            std::snprintf(text, sizeof text, "%08X is not within %d of %08X", actual, tolerance,
                          expected);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kHalfRed{255, 0, 0, 128};
constexpr std::uint32_t kArgbRed = 0xFFFF0000;
constexpr std::uint32_t kArgbHalfRed = 0x80800000;  // premultiplied: 255 * 128 / 255

struct Sample {
    std::string name;
    Bytes bytes;
    PixelSize size;
    std::uint32_t colour;  // what every pixel decodes to
    int tolerance;
};

GifFrame wholeFrame(int width, int height, std::uint8_t index) {
    return {0, 0, width, height,
            std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, index)};
}

std::vector<Sample> samples() {
    return {
        {"Jpeg", makeJpeg(40, 30, solid(kRed)), {40, 30}, kArgbRed, 3},
        {"ProgressiveJpeg",
         makeJpeg(40, 30, solid(kRed), {.progressive = true}),
         {40, 30},
         kArgbRed,
         3},
        {"CmykJpeg", makeCmykJpeg(16, 8, 255, 0, 0, 255), {16, 8}, kArgbRed, 3},
        {"Png", makePng(41, 31, solid(kHalfRed)), {41, 31}, kArgbHalfRed, 0},
        {"InterlacedPng",
         makePng(41, 31, solid(kHalfRed), {.interlaced = true}),
         {41, 31},
         kArgbHalfRed,
         0},
        {"GrayPng",
         makePng(9, 7, solid({200, 200, 200}), {.kind = PngKind::Gray8}),
         {9, 7},
         0xFFC8C8C8,
         0},
        {"LossyWebp", makeWebp(42, 32, solid(kRed), false), {42, 32}, kArgbRed, 8},
        {"LosslessWebp", makeWebp(42, 32, solid(kHalfRed), true), {42, 32}, kArgbHalfRed, 0},
        {"Bmp24", makeBmp(3, 5, solid(kRed), BmpKind::Rgb24, false), {3, 5}, kArgbRed, 0},
        {"Bmp32", makeBmp(4, 5, solid(kRed), BmpKind::Rgb32, true), {4, 5}, kArgbRed, 0},
        {"Bmp32Alpha",
         makeBmp(4, 5, solid(kHalfRed), BmpKind::Rgba32BitFields, false),
         {4, 5},
         kArgbHalfRed,
         0},
        {"Gif", makeGif(6, 4, {{0, 0, 255}, kRed}, wholeFrame(6, 4, 1)), {6, 4}, kArgbRed, 0},
    };
}

class EachFormat : public TestWithParam<Sample> {};

TEST_P(EachFormat, ReadsSizeAndColour) {
    const auto& sample = GetParam();
    const auto image = Image::fromBytes(sample.bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->naturalSize(), sample.size);
    const auto bitmap = image->decoded(sample.size);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->size, sample.size);
    EXPECT_EQ(bitmap->stride, sample.size.width * 4);
    for (const auto& [x, y] : {std::pair{0, 0}, {sample.size.width - 1, sample.size.height - 1}}) {
        EXPECT_TRUE(nearArgb(argbAt(*bitmap, x, y), sample.colour, sample.tolerance))
            << "at " << x << "," << y;
    }
}

// Every truncation and many single-byte corruptions must end in a refusal or a picture, never in
// a crash or a read out of bounds (this is what the sanitizer builds look at).
TEST_P(EachFormat, SurvivesTruncationAndCorruption) {
    const auto& original = GetParam().bytes;
    const auto tryDecode = [](Bytes bytes) {
        if (const auto image = Image::fromBytes(std::move(bytes))) {
            if (const auto bitmap = image->decoded({1, 1})) {
                EXPECT_GT(bitmap->size.width, 0);
            }
        }
    };
    for (std::size_t length = 0; length < original.size(); length += 1 + length / 16) {
        tryDecode(Bytes(original.begin(), original.begin() + length));
    }
    std::uint32_t seed = 12345;
    for (int round = 0; round < 300; ++round) {
        seed = seed * 1103515245 + 12345;
        auto bytes = original;
        bytes[(seed >> 8) % bytes.size()] ^= static_cast<std::uint8_t>(1 + (seed >> 24) % 255);
        tryDecode(std::move(bytes));
    }
}

INSTANTIATE_TEST_SUITE_P(Image, EachFormat, ::testing::ValuesIn(samples()),
                         [](const auto& info) { return info.param.name; });

TEST(ImageRecognition, RefusesWhatIsNoPicture) {
    const auto png = makePng(4, 4, solid(kRed));
    const std::vector<std::pair<std::string, Bytes>> cases = {
        {"empty", {}},
        {"text", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}},
        {"zeros", Bytes(4096, 0)},
        {"png signature only", Bytes(png.begin(), png.begin() + 8)},
        {"png cut inside its header", Bytes(png.begin(), png.begin() + 20)},
        {"jpeg start marker only", Bytes{0xFF, 0xD8, 0xFF}},
        {"riff that is no webp", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}},
        {"gif signature only", Bytes{'G', 'I', 'F', '8', '9', 'a'}},
        {"bmp signature only", Bytes{'B', 'M', 0, 0}},
    };
    for (const auto& [name, bytes] : cases) {
        EXPECT_FALSE(Image::fromBytes(bytes)) << name;
    }
}

TEST(ImageRecognition, RefusesBmpEncodingsItCannotDecode) {
    auto palettised = makeBmp(2, 2, solid(kRed), BmpKind::Rgb24, false);
    palettised[28] = 8;  // bits per pixel
    auto runLength = makeBmp(2, 2, solid(kRed), BmpKind::Rgb24, false);
    runLength[30] = 1;  // compression
    auto noWidth = makeBmp(2, 2, solid(kRed), BmpKind::Rgb24, false);
    std::fill(noWidth.begin() + 18, noWidth.begin() + 22, 0);
    for (const auto& bytes : {palettised, runLength, noWidth}) {
        EXPECT_FALSE(Image::fromBytes(bytes));
    }
}

// Rows are stored bottom-up unless the height is negative; a 24-bit row of three pixels is padded
// from nine bytes to twelve.
TEST(ImageBmp, KeepsRowOrderAndPadding) {
    const auto quadrants = [](int x, int y) {
        return y == 0 ? (x == 0 ? Rgba{255, 0, 0} : Rgba{0, 255, 0})
                      : (x == 0 ? Rgba{0, 0, 255} : Rgba{255, 255, 255});
    };
    for (const bool topDown : {false, true}) {
        for (const auto kind : {BmpKind::Rgb24, BmpKind::Rgb32}) {
            const auto image = Image::fromBytes(makeBmp(3, 2, quadrants, kind, topDown));
            ASSERT_TRUE(image);
            const auto bitmap = image->decoded({3, 2});
            ASSERT_TRUE(bitmap);
            EXPECT_EQ(argbAt(*bitmap, 0, 0), 0xFFFF0000u) << topDown;
            EXPECT_EQ(argbAt(*bitmap, 2, 0), 0xFF00FF00u) << topDown;
            EXPECT_EQ(argbAt(*bitmap, 0, 1), 0xFF0000FFu) << topDown;
            EXPECT_EQ(argbAt(*bitmap, 2, 1), 0xFFFFFFFFu) << topDown;
        }
    }
}

TEST(ImageBmp, MissingPixelDataIsNoPicture) {
    auto bytes = makeBmp(8, 8, solid(kRed), BmpKind::Rgb24, false);
    bytes.resize(bytes.size() - 10);
    EXPECT_FALSE(Image::fromBytes(bytes));
}

TEST(ImageGif, ComposesFirstFrameOnTransparentScreen) {
    // A 2x2 frame at (1,1) of a 4x3 screen; index 2 is transparent.
    GifFrame frame{1, 1, 2, 2, {0, 1, 2, 0}};
    const auto image = Image::fromBytes(
        makeGif(4, 3, {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}}, frame, /*transparent*/ 2));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->naturalSize(), (PixelSize{4, 3}));
    const auto bitmap = image->decoded({4, 3});
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(argbAt(*bitmap, 0, 0), 0u);
    EXPECT_EQ(argbAt(*bitmap, 1, 1), 0xFFFF0000u);
    EXPECT_EQ(argbAt(*bitmap, 2, 1), 0xFF0000FFu);
    EXPECT_EQ(argbAt(*bitmap, 1, 2), 0u);  // the transparent index
    EXPECT_EQ(argbAt(*bitmap, 2, 2), 0xFFFF0000u);
    EXPECT_EQ(argbAt(*bitmap, 3, 2), 0u);
}

// Enough distinct runs to fill the code table and widen the codes up to twelve bits, both in
// row order and in the four interlaced passes.
TEST(ImageGif, DecodesLongCodeStreams) {
    constexpr int kSide = 160;
    std::vector<Rgba> palette;
    for (int i = 0; i < 256; ++i) {
        palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                           static_cast<std::uint8_t>(i * 7)});
    }
    const auto indexAt = [](int x, int y) {
        return static_cast<std::uint8_t>((x * 31 + y * 17 + (x * y) / 7) % 256);
    };
    for (const bool interlaced : {false, true}) {
        GifFrame frame{0, 0, kSide, kSide, {}, interlaced};
        // Interlaced data lists the rows pass by pass.
        std::vector<int> rows;
        for (const auto& [start, step] :
             interlaced ? std::vector<std::pair<int, int>>{{0, 8}, {4, 8}, {2, 4}, {1, 2}}
                        : std::vector<std::pair<int, int>>{{0, 1}}) {
            for (int y = start; y < kSide; y += step) {
                rows.push_back(y);
            }
        }
        for (int y : rows) {
            for (int x = 0; x < kSide; ++x) {
                frame.indices.push_back(indexAt(x, y));
            }
        }
        const auto image = Image::fromBytes(makeGif(kSide, kSide, palette, frame));
        ASSERT_TRUE(image);
        const auto bitmap = image->decoded({kSide, kSide});
        ASSERT_TRUE(bitmap);
        int wrong = 0;
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                const auto c = palette[indexAt(x, y)];
                const std::uint32_t expected = 0xFF000000u | c.r << 16 | c.g << 8 | c.b;
                wrong += argbAt(*bitmap, x, y) != expected;
            }
        }
        EXPECT_EQ(wrong, 0) << "interlaced " << interlaced;
    }
}

// Encoded by ImageMagick: a 3x2 GIF, top row red, green, blue and bottom row white, black,
// transparent; it checks the decoder against another encoder than the one in these tests.
TEST(ImageGif, ReadsAnotherEncodersFile) {
    const Bytes bytes = {
#include "imagemagick_3x2.inc"
    };
    const auto image = Image::fromBytes(bytes);
    ASSERT_TRUE(image);
    const auto bitmap = image->decoded({3, 2});
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(argbAt(*bitmap, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(argbAt(*bitmap, 1, 0), 0xFF00FF00u);
    EXPECT_EQ(argbAt(*bitmap, 2, 0), 0xFF0000FFu);
    EXPECT_EQ(argbAt(*bitmap, 0, 1), 0xFFFFFFFFu);
    EXPECT_EQ(argbAt(*bitmap, 1, 1), 0xFF000000u);
    EXPECT_EQ(argbAt(*bitmap, 2, 1), 0u);
}

TEST(ImageGif, TruncatedFrameKeepsTheRowsThatArrived) {
    GifFrame frame = wholeFrame(64, 64, 1);
    for (int i = 0; i < 64 * 64; ++i) {
        frame.indices[i] = static_cast<std::uint8_t>(i * 13 % 4);  // little repetition
    }
    auto bytes = makeGif(64, 64, {{0, 0, 0}, kRed, {0, 255, 0}, {0, 0, 255}}, frame);
    bytes.resize(bytes.size() / 2);
    const auto image = Image::fromBytes(bytes);
    ASSERT_TRUE(image);
    const auto bitmap = image->decoded({64, 64});
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(argbAt(*bitmap, 1, 0), 0xFFFF0000u);  // index 13 % 4 == 1
    EXPECT_EQ(argbAt(*bitmap, 63, 63), 0u);         // never arrived
}

TEST(ImageJpeg, TruncatedScanStillGivesTheWholePicture) {
    auto bytes = makeJpeg(64, 64, [](int x, int y) {
        return Rgba{static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 4), 0};
    });
    bytes.resize(bytes.size() * 2 / 3);
    const auto image = Image::fromBytes(bytes);
    ASSERT_TRUE(image);
    const auto bitmap = image->decoded({64, 64});
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->size, (PixelSize{64, 64}));
}

TEST(ImageCorruption, DamagedPixelDataDecodesToNothing) {
    auto png = makePng(32, 32, solid(kRed));
    png[png.size() - 20] ^= 0xFF;  // inside IDAT: its checksum no longer matches
    auto webp = makeWebp(32, 32, solid(kRed), false);
    webp[webp.size() - 8] ^= 0xFF;  // inside the last partition
    for (const auto& bytes : {png, webp}) {
        const auto image = Image::fromBytes(bytes);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->decoded({32, 32}), nullptr);
        EXPECT_EQ(image->decoded({32, 32}), nullptr);  // and again, from the remembered failure
    }
}

}  // namespace
}  // namespace sonaris::platform::image
