#include "platform/render/blur.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

namespace sonaris::platform::render {
namespace {

TEST(GaussianBoxes, VariancesAddUpToTheGaussians) {
    for (double sigma : {0.8, 2.0, 6.0, 12.5, 40.0}) {
        double variance = 0;
        for (int w : gaussianBoxWidths(sigma)) {
            EXPECT_EQ(w % 2, 1) << sigma;
            variance += (w * w - 1) / 12.0;
        }
        EXPECT_NEAR(std::sqrt(variance), sigma, sigma * 0.1 + 0.3) << sigma;
    }
    EXPECT_EQ(gaussianBlurExtent(0), 0);
    EXPECT_EQ(gaussianBlurExtent(std::nan("")), 0);
}

struct Impulse {
    int width;
    int height;
    double sigma;
};

TEST(GaussianBlur, SpreadsAnImpulseSymmetricallyInEveryChannelAlike) {
    // Small images exercise the windows that overhang both ends of a row or column at once.
    for (const Impulse c : {Impulse{1, 1, 2}, Impulse{3, 5, 2}, Impulse{7, 7, 0.3},
                            Impulse{9, 3, 9}, Impulse{41, 41, 4}}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " sigma " << c.sigma);
        const int cx = c.width / 2, cy = c.height / 2;
        // One channel, and four with the same pattern scaled per channel (premultiplied: colour
        // never above alpha).
        std::vector<std::uint8_t> alpha(static_cast<std::size_t>(c.width) * c.height);
        std::vector<std::uint8_t> argb(alpha.size() * 4);
        alpha[cy * c.width + cx] = 255;
        const std::uint8_t colour[4] = {40, 120, 200, 255};
        for (int i = 0; i < 4; ++i)
            argb[(cy * c.width + cx) * 4 + i] = colour[i];
        gaussianBlur(alpha, c.width, c.height, c.width, 1, c.sigma);
        gaussianBlur(argb, c.width, c.height, c.width * 4, 4, c.sigma);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const std::uint8_t a = alpha[y * c.width + x];
                EXPECT_EQ(a, alpha[(c.height - 1 - y) * c.width + (c.width - 1 - x)]);
                EXPECT_EQ(argb[(y * c.width + x) * 4 + 3], a);
                for (int i = 0; i < 3; ++i)
                    EXPECT_LE(argb[(y * c.width + x) * 4 + i], a);
                if (x < cx) {
                    EXPECT_LE(a, alpha[y * c.width + x + 1]);
                }
            }
    }
}

TEST(GaussianBlur, KeepsTheAmountOfPaintAwayFromTheEdges) {
    std::vector<std::uint8_t> image(64 * 64);
    for (int y = 24; y < 40; ++y)
        for (int x = 24; x < 40; ++x)
            image[y * 64 + x] = 255;
    const long before = std::accumulate(image.begin(), image.end(), 0L);
    gaussianBlur(image, 64, 64, 64, 1, 3);
    const long after = std::accumulate(image.begin(), image.end(), 0L);
    EXPECT_NEAR(after, before, before * 0.005);
    EXPECT_LT(image[32 * 64 + 25], 200);  // just inside the edge
    EXPECT_GT(image[32 * 64 + 20], 0);
}

TEST(GaussianBlur, FlatRegionsStayExactlyFlat) {
    std::vector<std::uint8_t> image(50 * 50, 200);
    gaussianBlur(image, 50, 50, 50, 1, 2);
    EXPECT_EQ(image[25 * 50 + 25], 200);  // far from the transparent outside
}

}  // namespace
}  // namespace sonaris::platform::render
