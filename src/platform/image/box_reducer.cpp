#include "platform/image/box_reducer.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>

#include "platform/image/limits.hpp"
#include "platform/image/pixels.hpp"

namespace sonaris::platform::image {

namespace {

int ceilDiv(int a, int b) {
    return (a + b - 1) / b;
}

// The largest k for which ceil(side / k) >= want.
int largestFactor(int side, int want) {
    return want <= 1 ? side : (side - 1) / (want - 1);
}

}  // namespace

PixelSize coveredSize(PixelSize natural, PixelSize atLeast) {
    PixelSize want{std::clamp(atLeast.width, 1, natural.width),
                   std::clamp(atLeast.height, 1, natural.height)};
    const double area = double(want.width) * want.height;
    if (area > double(kMaxDecodedPixels)) {
        const double shrink = std::sqrt(double(kMaxDecodedPixels) / area);
        want = {std::max(1, static_cast<int>(want.width * shrink)),
                std::max(1, static_cast<int>(want.height * shrink))};
    }
    return want;
}

int reductionFactor(PixelSize natural, PixelSize atLeast) {
    const auto want = coveredSize(natural, atLeast);
    int factor = std::max(1, std::min(largestFactor(natural.width, want.width),
                                      largestFactor(natural.height, want.height)));
    // Whole factors step coarsely near 1: the one that covers may still give more pixels than
    // any decode is allowed, and then the next coarser one is taken.
    while (std::int64_t{ceilDiv(natural.width, factor)} * ceilDiv(natural.height, factor) >
           kMaxDecodedPixels) {
        ++factor;
    }
    return factor;
}

BoxReducer::BoxReducer(PixelSize source, int factor)
    : source_(source),
      factor_(factor),
      output_(blankBitmap({ceilDiv(source.width, factor), ceilDiv(source.height, factor)})) {
    if (factor_ > 1) {
        sums_.assign(static_cast<std::size_t>(output_.size.width) * 4, 0);
    }
}

void BoxReducer::addRow(std::span<const std::uint8_t> rgba) {
    assert(rgba.size() >= static_cast<std::size_t>(source_.width) * 4);
    assert(rowsSeen_ < source_.height);
    if (factor_ == 1) {
        for (int x = 0; x < source_.width; ++x) {
            const auto* p = rgba.data() + x * 4;
            storePixel(output_, x, rowsSeen_, premultipliedPixel(p[0], p[1], p[2], p[3]));
        }
        ++rowsSeen_;
        return;
    }
    for (int x = 0; x < source_.width; ++x) {
        const auto* p = rgba.data() + x * 4;
        auto* sum = sums_.data() + (x / factor_) * 4;
        const std::uint64_t alpha = p[3];
        sum[0] += p[0] * alpha;
        sum[1] += p[1] * alpha;
        sum[2] += p[2] * alpha;
        sum[3] += alpha;
    }
    ++rowsSeen_;
    if (rowsSeen_ % factor_ == 0) {
        flushRow(factor_);
    } else if (rowsSeen_ == source_.height) {
        flushRow(rowsSeen_ % factor_);
    }
}

void BoxReducer::flushRow(int blockHeight) {
    const int y = (rowsSeen_ - 1) / factor_;
    for (int x = 0; x < output_.size.width; ++x) {
        const int blockWidth = std::min(factor_, source_.width - x * factor_);
        const std::uint64_t count = static_cast<std::uint64_t>(blockWidth) * blockHeight;
        auto* sum = sums_.data() + x * 4;
        const auto colour = [&](int i) {
            return static_cast<std::uint32_t>((sum[i] + count * 255 / 2) / (count * 255));
        };
        const auto alpha = static_cast<std::uint32_t>((sum[3] + count / 2) / count);
        storePixel(output_, x, y, (alpha << 24) | (colour(0) << 16) | (colour(1) << 8) | colour(2));
        std::fill(sum, sum + 4, 0);
    }
}

Bitmap BoxReducer::take() {
    assert(isComplete());
    return std::move(output_);
}

}  // namespace sonaris::platform::image
