#include <gtest/gtest.h>
#include <sys/stat.h>

#include "art_fixtures.hpp"
#include "host/art/jpeg_file_cover.hpp"
#include "platform/foundation/scratch_directory.hpp"

namespace sonaris::host::art {
namespace {

using platform::image::PixelSize;

TEST(JpegFileCover, DecodesAsItReadsAndLeavesTheRestToTheCaller) {
    sonaris::testing::ScratchDirectory scratch;
    auto photo = testing::makeJpeg(3000, 2000, {200, 30, 40});
    const auto path = scratch.write("photo.jpg", testing::asText(photo));
    auto trailing = photo;
    trailing.resize(photo.size() + (1u << 20), 0);  // a camera's data after the picture
    const auto long_ = scratch.write("trailing.jpg", testing::asText(trailing));
    auto cut = photo;
    cut.resize(cut.size() / 2);
    const auto halved = scratch.write("cut.jpg", testing::asText(cut));
    const auto png = scratch.write("cover.png", "\x89PNG\r\n\x1a\n");
    const auto fifo = scratch.path() / "pipe.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    for (const auto& file : {path, long_, halved}) {
        const auto cover = jpegFileCover(file, 640, 32u << 20);
        ASSERT_TRUE(cover) << file;
        EXPECT_EQ(testing::sizeOf(cover->jpeg), (PixelSize{640, 427})) << file;
        EXPECT_EQ(cover->sourceSize, (PixelSize{3000, 2000}));
        const auto centre = testing::centreOf(cover->jpeg);
        if (file != halved) {  // the lower half of a cut file is grey
            EXPECT_NEAR(centre.r, 200, 12);
            EXPECT_NEAR(centre.b, 40, 12);
        }
    }
    EXPECT_FALSE(jpegFileCover(path, 640, photo.size() - 1));  // over the cap
    for (const auto& other : {png, fifo, scratch.path(), std::filesystem::path("/dev/zero")})
        EXPECT_FALSE(jpegFileCover(other, 640, 32u << 20)) << other;
}

}  // namespace
}  // namespace sonaris::host::art
