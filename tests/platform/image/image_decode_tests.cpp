#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/image/image.hpp"
#include "test_pictures.hpp"

namespace sonaris::platform::image {
namespace {

using namespace testing;

Rgba gradient(int x, int y) {
    return {static_cast<std::uint8_t>(x % 256), static_cast<std::uint8_t>(y % 256), 128};
}

struct ScaleCase {
    std::string name;
    Bytes bytes;
    PixelSize request;
    PixelSize expected;
};

// The decode is the smallest the encoding offers that still covers the request.
TEST(ImageScaling, DecodesAtTheSmallestCoveringSize) {
    const auto jpeg = makeJpeg(800, 600, gradient);
    const auto png = makePng(800, 600, gradient);
    const auto webp = makeWebp(800, 600, gradient, false);
    const auto bmp = makeBmp(800, 600, gradient, BmpKind::Rgb24, false);
    GifFrame frame{0, 0, 800, 600, std::vector<std::uint8_t>(800 * 600, 1)};
    const auto gif = makeGif(800, 600, {{0, 0, 0}, {255, 0, 0}}, frame);
    const std::vector<ScaleCase> cases = {
        {"jpeg eighth is too short, quarter covers", jpeg, {100, 100}, {200, 150}},
        {"jpeg five eighths", jpeg, {340, 340}, {500, 375}},
        {"jpeg never above natural", jpeg, {1000, 1000}, {800, 600}},
        {"jpeg smallest for an empty request", jpeg, {0, 0}, {100, 75}},
        {"png whole factor 6", png, {100, 100}, {134, 100}},
        {"png natural", png, {800, 600}, {800, 600}},
        {"png one pixel keeps the shape", png, {1, 1}, {2, 1}},
        {"webp any size, aspect kept", webp, {100, 100}, {134, 100}},
        {"webp wide request", webp, {200, 50}, {200, 150}},
        {"webp natural", webp, {900, 10}, {800, 600}},
        {"bmp whole factor", bmp, {100, 100}, {134, 100}},
        {"gif whole factor", gif, {400, 300}, {400, 300}},
    };
    for (const auto& c : cases) {
        const auto image = Image::fromBytes(c.bytes);
        ASSERT_TRUE(image) << c.name;
        const auto bitmap = image->decoded(c.request);
        ASSERT_TRUE(bitmap) << c.name;
        EXPECT_EQ(bitmap->size, c.expected) << c.name;
        EXPECT_EQ(bitmap->pixels.size(),
                  static_cast<std::size_t>(bitmap->stride) * c.expected.height);
    }
}

// Averaging happens on premultiplied values: the colour of a fully transparent pixel must not
// bleed into its opaque neighbour.
TEST(ImageScaling, AveragesInPremultipliedSpace) {
    const auto paint = [](int x, int) {
        return x % 2 == 0 ? Rgba{255, 0, 0, 255} : Rgba{0, 255, 0, 0};
    };
    for (const auto& bytes :
         {makePng(8, 8, paint), makeBmp(8, 8, paint, BmpKind::Rgba32BitFields, false)}) {
        const auto image = Image::fromBytes(bytes);
        ASSERT_TRUE(image);
        const auto bitmap = image->decoded({4, 4});
        ASSERT_TRUE(bitmap);
        ASSERT_EQ(bitmap->size, (PixelSize{4, 4}));
        EXPECT_EQ(argbAt(*bitmap, 1, 1), 0x80800000u);
    }
}

TEST(ImageScaling, ReducedEdgeBlocksAverageOnlyRealPixels) {
    // 5 wide at factor 2: the last column is a block of one pixel.
    const auto paint = [](int x, int) { return x == 4 ? Rgba{0, 0, 255} : Rgba{255, 0, 0}; };
    const auto image = Image::fromBytes(makePng(5, 5, paint));
    ASSERT_TRUE(image);
    const auto bitmap = image->decoded({3, 3});
    ASSERT_TRUE(bitmap);
    ASSERT_EQ(bitmap->size, (PixelSize{3, 3}));
    EXPECT_EQ(argbAt(*bitmap, 2, 2), 0xFF0000FFu);
    EXPECT_EQ(argbAt(*bitmap, 0, 2), 0xFFFF0000u);
}

TEST(ImageCache, ReusesADecodeThatCoversTheRequest) {
    const auto image = Image::fromBytes(makePng(400, 400, gradient));
    ASSERT_TRUE(image);
    const auto small = image->decoded({100, 100});
    ASSERT_TRUE(small);
    EXPECT_EQ(image->decoded({100, 100}), small);
    EXPECT_EQ(image->decoded({50, 80}), small);

    const auto large = image->decoded({300, 300});
    ASSERT_TRUE(large);
    EXPECT_NE(large, small);
    EXPECT_EQ(large->size, (PixelSize{400, 400}));
    EXPECT_EQ(image->decoded({100, 100}), large);  // the larger decode replaced the smaller

    const Image copy = *image;  // copies share the source and its pixels
    EXPECT_TRUE(copy.isSameImage(*image));
    EXPECT_EQ(copy.decoded({10, 10}), large);
    const auto other = Image::fromBytes(makePng(400, 400, gradient));
    ASSERT_TRUE(other);
    EXPECT_FALSE(other->isSameImage(*image));
}

TEST(ImageCache, ManyThreadsDecodeOneImage) {
    const auto image = Image::fromBytes(makeJpeg(640, 480, [](int, int) {
        return Rgba{255, 0, 0};
    }));
    ASSERT_TRUE(image);
    constexpr int kThreads = 8;
    std::atomic<int> ready = 0;
    std::atomic<int> failures = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const Image mine = *image;
            ++ready;
            while (ready < kThreads) {
                std::this_thread::yield();
            }
            for (int round = 0; round < 12; ++round) {
                const int side = 40 * (1 + (t + round) % 8);
                const auto bitmap = mine.decoded({side, side});
                const bool good =
                    bitmap && bitmap->size.width >= std::min(side, 640) &&
                    bitmap->size.height >= std::min(side, 480) &&
                    (argbAt(*bitmap, bitmap->size.width / 2, bitmap->size.height / 2) &
                     0xFFF00000u) == 0xFFF00000u;
                failures += !good;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0);
}

Bytes withJpegFrameSize(Bytes jpeg, int width, int height) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<std::uint8_t>(height);
            jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<std::uint8_t>(width);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

// A PNG whose header states the size and whose only image data is one empty stored block.
Bytes pngDeclaring(std::uint32_t width, std::uint32_t height) {
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    for (std::uint32_t v : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            ihdr.push_back(static_cast<std::uint8_t>(v >> shift));
        }
    }
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
    appendChunk(png, "IHDR", ihdr);
    appendChunk(png, "IDAT", {0x78, 0x01, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x01});
    appendChunk(png, "IEND", {});
    return png;
}

TEST(ImageLimits, RefusesHeadersDeclaringAbsurdSizes) {
    const auto jpeg = makeJpeg(16, 16, gradient);
    const auto progressive = makeJpeg(16, 16, gradient, {.progressive = true});
    auto hugeGif = makeGif(2, 2, {{0, 0, 0}, {255, 0, 0}}, {0, 0, 2, 2, {1, 1, 1, 1}});
    hugeGif[6] = hugeGif[7] = hugeGif[8] = hugeGif[9] = 0xFF;
    auto hugeBmp = makeBmp(2, 2, gradient, BmpKind::Rgb24, false);
    hugeBmp[19] = hugeBmp[23] = 0x4E;  // 20000 x 20000
    const std::vector<std::pair<std::string, Bytes>> refused = {
        {"jpeg 65535 square", withJpegFrameSize(jpeg, 65535, 65535)},
        {"jpeg one side too long", withJpegFrameSize(jpeg, 20000, 10)},
        {"progressive jpeg beyond what may be held whole",
         withJpegFrameSize(progressive, 5000, 5000)},
        {"png 65535 square", pngDeclaring(65535, 65535)},
        {"png within sides but too many pixels", pngDeclaring(16384, 16384)},
        {"gif 65535 square", hugeGif},
        {"bmp 20000 square", hugeBmp},
    };
    for (const auto& [name, bytes] : refused) {
        EXPECT_FALSE(Image::fromBytes(bytes)) << name;
    }

    // Sizes inside the limits are believed. The PNG's missing rows are found out on decode; a
    // JPEG short of data decodes anyway, grey where the data ran out.
    const auto bigJpeg = Image::fromBytes(withJpegFrameSize(jpeg, 5000, 5000));
    ASSERT_TRUE(bigJpeg);
    EXPECT_EQ(bigJpeg->naturalSize(), (PixelSize{5000, 5000}));
    const auto bigPng = Image::fromBytes(pngDeclaring(8000, 8000));
    ASSERT_TRUE(bigPng);
    EXPECT_EQ(bigPng->naturalSize(), (PixelSize{8000, 8000}));
    EXPECT_EQ(bigPng->decoded({100, 100}), nullptr);
}

long peakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// 36 megapixels of zeros compress to a few tens of kilobytes; decoded whole they would need
// 144 MB. Shrinking the rows as they stream keeps the decode to a row and the small output.
TEST(ImageLimits, DecompressionBombDecodesInBoundedMemory) {
    constexpr int kSide = 6000;
    const auto bomb = makePng(kSide, kSide, solid({}), {.kind = PngKind::Gray8});
    EXPECT_LT(bomb.size(), 200'000u);
    const auto image = Image::fromBytes(bomb);
    ASSERT_TRUE(image);
    const long before = peakResidentKilobytes();
    const auto bitmap = image->decoded({100, 100});
    const long grownMegabytes = (peakResidentKilobytes() - before) / 1024;
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->size, (PixelSize{100, 100}));
    EXPECT_EQ(argbAt(*bitmap, 50, 50), 0xFF000000u);
    EXPECT_LT(grownMegabytes, 48);
}

// Pictures whose decoders would hold far more than their share of memory are refused on their
// header; so is a header whose image data is missing. Each of these was once taken as a picture.
TEST(ImageLimits, RefusesWhatCannotBeDecodedWithinItsShare) {
    const auto progressive = makeJpeg(16, 16, gradient, {.progressive = true});
    Bytes pngWithoutData = makePng(8, 8, gradient);
    pngWithoutData.resize(33);  // signature and header only
    appendChunk(pngWithoutData, "IEND", {});
    auto webpHeader = makeWebp(64, 64, gradient, false);
    webpHeader.resize(42);
    // Cut after the frame's descriptor and code size, at its first data block.
    auto gifHeader = makeGif(8, 8, {{0, 0, 0}, {255, 0, 0}}, {0, 0, 8, 8, Bytes(64, 1)});
    const auto descriptor = std::find(gifHeader.begin() + 19, gifHeader.end(), 0x2C);
    ASSERT_LT(descriptor + 11, gifHeader.end());
    gifHeader.erase(descriptor + 11, gifHeader.end());
    const std::vector<std::pair<std::string, Bytes>> refused = {
        {"progressive jpeg 2000 square", withJpegFrameSize(progressive, 2000, 2000)},
        {"interlaced png held whole", makePng(3000, 1000, solid({}), {.interlaced = true})},
        {"lossless webp held whole", makeWebp(2000, 2000, solid({}), true)},
        {"png without image data", pngWithoutData},
        {"webp header alone", webpHeader},
        {"gif frame without data", gifHeader},
    };
    for (const auto& [name, bytes] : refused) {
        EXPECT_FALSE(Image::fromBytes(bytes)) << name;
    }
}

// Only the part of a frame on the screen is decoded, in row order or interlaced, and no decode
// exceeds the pixel limit: a very long picture comes out smaller than asked, and that decode
// then serves the same request again.
TEST(ImageLimits, DecodesOnlyWhatIsShownWithinThePixelLimit) {
    for (const bool interlaced : {false, true}) {
        GifFrame frame{0, 0, 3000, 3000, Bytes(9'000'000, 1), interlaced};
        const auto image = Image::fromBytes(makeGif(2, 1, {{0, 0, 0}, {255, 0, 0}}, frame));
        ASSERT_TRUE(image) << interlaced;
        const auto bitmap = image->decoded({2, 1});
        ASSERT_TRUE(bitmap) << interlaced;
        EXPECT_EQ(bitmap->size, (PixelSize{2, 1}));
        EXPECT_EQ(argbAt(*bitmap, 1, 0), 0xFFFF0000u) << interlaced;
    }
    const auto wide = Image::fromBytes(makePng(8000, 400, gradient, {.kind = PngKind::Gray8}));
    ASSERT_TRUE(wide);
    const auto bitmap = wide->decoded({8000, 400});
    ASSERT_TRUE(bitmap);
    EXPECT_LE(std::int64_t{bitmap->size.width} * bitmap->size.height, 1'200'000);
    EXPECT_EQ(wide->decoded({8000, 400}), bitmap);
}

class ImageFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::path(::testing::TempDir()) /
                  ("image_files_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path write(const std::string& name, const Bytes& bytes) {
        const auto path = folder_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
        return path;
    }
    std::filesystem::path folder_;
};

TEST_F(ImageFiles, ReadsByContentNotByName) {
    const auto image = Image::fromFile(write("widget_cover.jpg", makePng(7, 3, gradient)));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->naturalSize(), (PixelSize{7, 3}));
    EXPECT_TRUE(image->decoded({7, 3}));
}

TEST_F(ImageFiles, RefusesWhatIsNoPictureFile) {
    ASSERT_EQ(mkfifo((folder_ / "pipe").c_str(), 0600), 0);
    std::filesystem::create_directory(folder_ / "folder.jpg");
    for (const auto& path : {folder_ / "missing.jpg", folder_ / "folder.jpg", folder_ / "pipe",
                             write("empty.jpg", {}), write("notes.jpg", {'h', 'i'})}) {
        EXPECT_FALSE(Image::fromFile(path)) << path;
    }
}

}  // namespace
}  // namespace sonaris::platform::image
