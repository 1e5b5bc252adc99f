#include "platform/render/picture_shrink.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace sonaris::platform::render {
namespace {

image::Bitmap bitmapOf(int width, int height, auto pixelAt) {
    image::Bitmap b;
    b.size = {width, height};
    b.stride = width * 4;
    b.pixels.resize(static_cast<std::size_t>(b.stride) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = pixelAt(x, y);
            std::memcpy(b.pixels.data() + y * b.stride + x * 4, &v, 4);
        }
    return b;
}

std::uint32_t at(const image::Bitmap& b, int x, int y) {
    std::uint32_t v;
    std::memcpy(&v, b.pixels.data() + y * b.stride + x * 4, 4);
    return v;
}

TEST(PictureShrink, FlatColourStaysExactlyFlatAtAnyRatio) {
    const auto source = bitmapOf(997, 613, [](int, int) { return 0xFFF22617u; });
    for (image::PixelSize target : {image::PixelSize{108, 66}, {340, 209}, {1, 1}, {996, 612}}) {
        const image::Bitmap out = shrinkPicture(source, target);
        ASSERT_EQ(out.size, target);
        for (int y = 0; y < target.height; y += 7)
            for (int x = 0; x < target.width; x += 5)
                ASSERT_EQ(at(out, x, y), 0xFFF22617u);
    }
}

TEST(PictureShrink, AveragesTheAreaEachPixelCovers) {
    // Columns alternate opaque white and transparent; halving gives half-covered grey.
    const auto stripes = bitmapOf(8, 2, [](int x, int) { return x % 2 ? 0u : 0xFFFFFFFFu; });
    const image::Bitmap half = shrinkPicture(stripes, {4, 1});
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(at(half, x, 0), 0x80808080u);
    // A third of the way: the left output pixel covers 8/3 source columns.
    const auto edge = bitmapOf(9, 1, [](int x, int) { return x < 3 ? 0xFFFFFFFFu : 0u; });
    const image::Bitmap thirds = shrinkPicture(edge, {3, 1});
    EXPECT_EQ(at(thirds, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(at(thirds, 1, 0), 0u);
}

TEST(PictureShrink, KeepsAnAxisThatIsAlreadySmallEnough) {
    const auto source =
        bitmapOf(40, 10, [](int x, int) { return x < 20 ? 0xFF0000FFu : 0xFFFF0000u; });
    const image::Bitmap out = shrinkPicture(source, {10, 50});
    EXPECT_EQ(out.size, (image::PixelSize{10, 10}));
    EXPECT_EQ(at(out, 0, 9), 0xFF0000FFu);
    EXPECT_EQ(at(out, 9, 0), 0xFFFF0000u);
}

TEST(PictureShrink, RemembersResultsOnlyWhileTheSourceLives) {
    auto source = std::make_shared<const image::Bitmap>(
        bitmapOf(64, 64, [](int, int) { return 0xFF101010u; }));
    const auto first = shrunkPicture(source, {16, 16});
    EXPECT_EQ(shrunkPicture(source, {16, 16}), first);
    EXPECT_NE(shrunkPicture(source, {8, 8}), first);
    std::weak_ptr<const image::Bitmap> watch = first;
    source.reset();
    auto other = std::make_shared<const image::Bitmap>(
        bitmapOf(64, 64, [](int, int) { return 0xFFFFFFFFu; }));
    // A new picture, even at a reused address, never gets the old one's result.
    EXPECT_EQ(at(*shrunkPicture(other, {16, 16}), 0, 0), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace sonaris::platform::render
