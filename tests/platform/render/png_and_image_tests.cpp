#include <gtest/gtest.h>
#include <spng.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "render_test_support.hpp"

namespace sonaris::platform::render {
namespace {

using namespace testing;
namespace ui = platform::ui;
namespace fs = std::filesystem;

class ScratchDir {
  public:
    ScratchDir() {
        path_ = fs::temp_directory_path() /
                ("render-tests-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        fs::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

  private:
    static inline int counter_ = 0;
    fs::path path_;
};

Raster solidRaster(int width, int height, std::uint32_t premultiplied) {
    Raster raster{width, height, width * 4, {}};
    raster.pixels.resize(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < raster.pixels.size(); i += 4)
        std::memcpy(raster.pixels.data() + i, &premultiplied, 4);
    return raster;
}

struct DecodedPng {
    spng_ihdr header{};
    std::vector<std::uint8_t> rgba;
};

std::optional<DecodedPng> readPng(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), {});
    std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> ctx(spng_ctx_new(0), spng_ctx_free);
    spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size());
    DecodedPng png;
    if (spng_get_ihdr(ctx.get(), &png.header))
        return std::nullopt;
    std::size_t size = 0;
    if (spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &size))
        return std::nullopt;
    png.rgba.resize(size);
    if (spng_decode_image(ctx.get(), png.rgba.data(), size, SPNG_FMT_RGBA8, 0))
        return std::nullopt;
    return png;
}

TEST(PngWriting, RoundTripGivesStraightAlphaEightBitRgba) {
    ScratchDir dir;
    // Ruby at 40 % opacity, premultiplied: 0x66 alpha, channels scaled by 0.4.
    Raster raster = solidRaster(3, 2, 0x66610F09);
    const fs::path path = dir.path() / "out.png";
    ASSERT_EQ(writePng(raster, path), std::nullopt);
    const std::optional<DecodedPng> png = readPng(path);
    ASSERT_TRUE(png);
    EXPECT_EQ(png->header.width, 3u);
    EXPECT_EQ(png->header.height, 2u);
    EXPECT_EQ(png->header.bit_depth, 8);
    EXPECT_EQ(png->header.color_type, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA);
    // Premultiplied bytes hold fewer steps than straight ones; one step of slack.
    EXPECT_NEAR(png->rgba[0], 242, 1);
    EXPECT_NEAR(png->rgba[1], 38, 1);
    EXPECT_NEAR(png->rgba[2], 23, 1);
    EXPECT_EQ(png->rgba[3], 0x66);
}

TEST(PngWriting, TransparentAndOpaquePixelsSurviveExactly) {
    ScratchDir dir;
    Raster raster = solidRaster(2, 1, 0xFF0D0D12);
    std::memset(raster.pixels.data() + 4, 0, 4);
    const fs::path path = dir.path() / "out.png";
    ASSERT_EQ(writePng(raster, path), std::nullopt);
    const auto png = readPng(path);
    ASSERT_TRUE(png);
    const std::vector<std::uint8_t> expected = {13, 13, 18, 255, 0, 0, 0, 0};
    EXPECT_EQ(png->rgba, expected);
}

TEST(PngWriting, FailuresAreReportedInOneLineAndLeaveNoFile) {
    ScratchDir dir;
    const Raster raster = solidRaster(2, 2, 0xFFFFFFFF);
    const std::pair<fs::path, const char*> cases[] = {
        {dir.path() / "missing" / "out.png", "missing folder"},
        {dir.path(), "a folder"},
    };
    for (const auto& [path, what] : cases) {
        const std::optional<std::string> reason = writePng(raster, path);
        ASSERT_TRUE(reason) << what;
        EXPECT_FALSE(reason->empty());
        EXPECT_EQ(reason->find('\n'), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(dir.path() / "missing"));
    EXPECT_TRUE(writePng(Raster{}, dir.path() / "empty.png"));
    EXPECT_FALSE(fs::exists(dir.path() / "empty.png"));
}

// A picture whose left half is red and right half blue, loaded as cover art.
image::Image twoToneImage(const fs::path& folder, int width, int height) {
    Raster raster = solidRaster(width, height, 0xFFFF0000);
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x) {
            const std::uint32_t blue = 0xFF0000FF;
            std::memcpy(raster.pixels.data() + y * raster.stride + x * 4, &blue, 4);
        }
    const fs::path path = folder / ("cover-" + std::to_string(width) + ".png");
    EXPECT_EQ(writePng(raster, path), std::nullopt);
    std::optional<image::Image> image = image::Image::fromFile(path);
    EXPECT_TRUE(image);
    return *image;
}

TEST(CoverImagePainting, PictureIsStretchedToItsFrame) {
    ScratchDir dir;
    const ui::ViewNode node = ui::Image(twoToneImage(dir.path(), 64, 64)).resizable();
    const Raster raster = paint(scene({60, 30}, laidOut(node, {10, 5, 40, 20})), 2);
    EXPECT_EQ(pixelAt(raster, 22, 30), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(raster, 97, 30), (Pixel{0, 0, 255, 255}));
    // The edges stay opaque rather than fading into the surroundings.
    EXPECT_EQ(pixelAt(raster, 20, 10).a, 255);
    EXPECT_EQ(pixelAt(raster, 99, 49).a, 255);
    EXPECT_EQ(pixelAt(raster, 19, 30).a, 0);
}

TEST(CoverImagePainting, RoundedClipCutsAnOverflowingPictureAtItsCorner) {
    ScratchDir dir;
    // The picture overflows its 54-point frame, as an aspect fill does; the rounded clip keeps
    // only the frame, minus its corners.
    const ui::ViewNode node = ui::Image(twoToneImage(dir.path(), 40, 40))
                                  .resizable()
                                  .frame(54, 54)
                                  .clipShape(ui::shapes::roundedRectangle(10));
    ui::LaidOutView view = laidOut(node, {10, 10, 54, 54});
    view.layerFrames = {{0, 0, 74, 74}, {0, 0, 74, 74}, {10, 10, 54, 54}, {10, 10, 54, 54}};
    const Raster raster = paint(scene({74, 74}, view), 2);
    EXPECT_EQ(pixelAt(raster, 10, 60).a, 0);    // picture outside the frame is cut
    EXPECT_EQ(pixelAt(raster, 21, 21).a, 0);    // the frame's corner is rounded off
    EXPECT_EQ(pixelAt(raster, 21, 74).a, 255);  // its straight edge is kept
    EXPECT_EQ(pixelAt(raster, 74, 21).a, 255);
    EXPECT_EQ(pixelAt(raster, 40, 74), (Pixel{255, 0, 0, 255}));
}

TEST(CoverImagePainting, DemandIsTheLargestDrawnSizeOfEachDistinctPicture) {
    ScratchDir dir;
    const image::Image cover = twoToneImage(dir.path(), 300, 200);
    const image::Image other = twoToneImage(dir.path(), 50, 50);
    const ui::ViewNode backdrop = ui::Image(cover);
    const ui::ViewNode thumbnail = ui::Image(cover);
    const ui::ViewNode unrelated = ui::Image(other);
    const ui::ViewNode symbol = ui::Image(std::string("music.note"));
    const ui::ViewNode stack = ui::ZStack(ui::Alignment::center(), {});
    const auto result = scene(
        {170, 170},
        laidOut(stack, {0, 0, 170, 170},
                {laidOut(backdrop, {-42.5, 0, 255, 170}), laidOut(thumbnail, {50, 50, 81, 54}),
                 laidOut(unrelated, {0, 0, 10, 20}), laidOut(symbol, {0, 0, 20, 20})}));
    const std::vector<ImageDemand> demand = imageDemand(result, 2);
    ASSERT_EQ(demand.size(), 2u);
    EXPECT_TRUE(demand[0].image.isSameImage(cover));
    EXPECT_EQ(demand[0].pixels, (image::PixelSize{510, 340}));
    EXPECT_TRUE(demand[1].image.isSameImage(other));
    EXPECT_EQ(demand[1].pixels, (image::PixelSize{20, 40}));
    EXPECT_TRUE(imageDemand(result, 0).empty());
}

TEST(CoverImagePainting, DemandFollowsTheCoarserPixelsOfAWideBlur) {
    ScratchDir dir;
    const image::Image cover = twoToneImage(dir.path(), 400, 400);
    struct Case {
        double blurRadius;
        image::PixelSize expected;
    };
    // At 2x a 12-point blur is drawn on pixels four times coarser; a 3-point one is not.
    for (const Case& c : {Case{12, {85, 85}}, Case{3, {340, 340}}, Case{0, {340, 340}}}) {
        const ui::ViewNode backdrop = ui::Image(cover).opacity(0.18).blur(c.blurRadius).clipped();
        const auto result = scene({170, 170}, laidOut(backdrop, {0, 0, 170, 170}));
        const std::vector<ImageDemand> demand = imageDemand(result, 2);
        ASSERT_EQ(demand.size(), 1u);
        EXPECT_EQ(demand[0].pixels, c.expected) << c.blurRadius;
        // Painting it shows the picture, blurred or not.
        const Raster raster = paint(result, 2);
        EXPECT_GT(pixelAt(raster, 170, 170).a, 30) << c.blurRadius;
    }
}

}  // namespace
}  // namespace sonaris::platform::render
