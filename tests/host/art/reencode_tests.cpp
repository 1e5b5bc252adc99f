#include <gtest/gtest.h>

#include <cstdlib>

#include "art_fixtures.hpp"
#include "host/art/jpeg_reencoder.hpp"

namespace sonaris::host::art {
namespace {

using platform::image::PixelSize;
using testing::makeJpeg;

// Baseline frames are SOF0 (or SOF1); progressive ones SOF2.
bool isBaseline(const testing::Bytes& jpeg) {
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC1)) {
            return true;
        }
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC2) {
            return false;
        }
    }
    return false;
}

TEST(Reencode, FitsWithinTheLongestSideKeepingTheShape) {
    struct Case {
        PixelSize source;
        PixelSize expected;
    };
    const Case cases[] = {
        {{3000, 2000}, {640, 427}}, {{2000, 3000}, {427, 640}}, {{1000, 1000}, {640, 640}},
        {{641, 100}, {640, 100}},   {{300, 200}, {300, 200}},   {{4000, 3}, {640, 1}},
        {{1, 2000}, {1, 640}},
    };
    for (const auto& c : cases) {
        const auto cover =
            reencodeAsJpeg(makeJpeg(c.source.width, c.source.height, {200, 30, 40}), 640);
        ASSERT_TRUE(cover) << c.source.width << "x" << c.source.height;
        EXPECT_EQ(testing::sizeOf(cover->jpeg), c.expected)
            << c.source.width << "x" << c.source.height;
        EXPECT_EQ(cover->sourceSize, c.source);
        EXPECT_TRUE(isBaseline(cover->jpeg));
    }
}

TEST(Reencode, KeepsColoursAndAveragesDetail) {
    // Solid red must stay red (channel order), and a ramp's middle must come out mid-grey-red,
    // not the colour of a single sampled column.
    const auto solid = reencodeAsJpeg(makeJpeg(1500, 900, {220, 20, 30}), 640);
    const auto ramp = reencodeAsJpeg(makeJpeg(1500, 900, {240, 240, 240}, true), 640);
    ASSERT_TRUE(solid && ramp);
    const auto near = [](int actual, int expected) { return std::abs(actual - expected) <= 12; };
    const auto red = testing::centreOf(solid->jpeg);
    EXPECT_TRUE(near(red.r, 220) && near(red.g, 20) && near(red.b, 30))
        << int(red.r) << "," << int(red.g) << "," << int(red.b);
    EXPECT_TRUE(near(testing::centreOf(ramp->jpeg).g, 120)) << int(testing::centreOf(ramp->jpeg).g);
}

TEST(Reencode, RefusesWhatIsNoPicture) {
    auto truncated = makeJpeg(64, 64, {1, 2, 3});
    truncated.resize(20);
    for (const auto& bytes :
         {testing::Bytes{}, testing::Bytes{'<', 'h', 't', 'm', 'l', '>'}, truncated}) {
        EXPECT_FALSE(reencodeAsJpeg(bytes, 640));
    }
}

}  // namespace
}  // namespace sonaris::host::art
