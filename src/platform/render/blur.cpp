#include "platform/render/blur.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <vector>

namespace sonaris::platform::render {

namespace {

// Divides a box sum by its width with rounding, by a fixed-point reciprocal: a division a byte
// is the slowest thing in the loop otherwise. Exact for every sum of up to 255 times a width
// below maxBoxWidth, and 32-bit so that the compiler can vectorise it.
[[maybe_unused]] constexpr int maxBoxWidth = 30001;
struct BoxDivider {
    explicit BoxDivider(int width)
        // Rounded up, so an exact multiple of the width never comes out one short.
        : reciprocal(((1u << 24) + static_cast<std::uint32_t>(width) - 1) /
                     static_cast<std::uint32_t>(width)),
          half(static_cast<std::uint32_t>(width) / 2) {
        assert(width > 0 && width < maxBoxWidth);
    }
    std::uint8_t operator()(std::uint32_t sum) const {
        return static_cast<std::uint8_t>(((sum + half) * reciprocal) >> 24);
    }
    std::uint32_t reciprocal;
    std::uint32_t half;
};

// One box pass along each row. `line` holds a copy of the row so the output can overwrite it.
template <int channels>
void boxRows(std::uint8_t* pixels, int width, int height, int stride, int radius,
             std::vector<std::uint8_t>& line) {
    const BoxDivider divide(2 * radius + 1);
    line.resize(static_cast<std::size_t>(width) * channels);
    // Window [x - radius, x + radius]. Three stretches, so the inner loop tests no bounds:
    // while the window's left end is off the row, while both ends are on it, and after.
    const int leftEnd = std::min(radius + 1, width);
    const int middleEnd = std::max(leftEnd, width - radius);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        const std::uint8_t* in = line.data();
        std::copy(row, row + width * channels, line.begin());
        std::uint32_t sums[channels] = {};
        for (int x = 0; x < std::min(radius, width); ++x)
            for (int c = 0; c < channels; ++c)
                sums[c] += in[x * channels + c];
        int x = 0;
        for (; x < leftEnd; ++x) {
            if (x + radius < width)
                for (int c = 0; c < channels; ++c)
                    sums[c] += in[(x + radius) * channels + c];
            for (int c = 0; c < channels; ++c)
                row[x * channels + c] = divide(sums[c]);
        }
        for (; x < middleEnd; ++x) {
            const std::uint8_t* entering = in + (x + radius) * channels;
            const std::uint8_t* leaving = in + (x - radius - 1) * channels;
            for (int c = 0; c < channels; ++c) {
                sums[c] += entering[c];
                sums[c] -= leaving[c];
                row[x * channels + c] = divide(sums[c]);
            }
        }
        for (; x < width; ++x) {
            for (int c = 0; c < channels; ++c)
                sums[c] -= in[(x - radius - 1) * channels + c];
            for (int c = 0; c < channels; ++c)
                row[x * channels + c] = divide(sums[c]);
        }
    }
}

// One box pass down the columns, a whole row at a time so memory is read in order.
void boxColumns(std::uint8_t* pixels, int width, int height, int stride, int channels, int radius,
                std::vector<std::uint8_t>& scratch, std::vector<std::uint32_t>& sums) {
    const BoxDivider divide(2 * radius + 1);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * channels;
    // The source rows stay readable while outputs land: keep the window's rows in a ring.
    const int ring = 2 * radius + 2;
    scratch.resize(rowBytes * static_cast<std::size_t>(std::min(ring, height + 1)));
    const int ringRows = static_cast<int>(scratch.size() / std::max<std::size_t>(rowBytes, 1));
    sums.assign(rowBytes, 0);
    auto source = [&](int y) -> const std::uint8_t* {
        return scratch.data() + static_cast<std::size_t>(y % ringRows) * rowBytes;
    };
    auto load = [&](int y) {
        const std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        std::copy(row, row + rowBytes,
                  scratch.begin() + static_cast<std::ptrdiff_t>((y % ringRows) * rowBytes));
    };
    int loaded = 0;
    auto addRow = [&](int y) {
        while (loaded <= y)
            load(loaded++);
        const std::uint8_t* row = source(y);
        for (std::size_t i = 0; i < rowBytes; ++i)
            sums[i] += row[i];
    };
    for (int y = 0; y < std::min(radius, height); ++y)
        addRow(y);
    for (int y = 0; y < height; ++y) {
        const int entering = y + radius;
        const int leaving = y - radius - 1;
        if (entering < height)
            addRow(entering);
        if (leaving >= 0) {
            const std::uint8_t* row = source(leaving);
            for (std::size_t i = 0; i < rowBytes; ++i)
                sums[i] -= row[i];
        }
        // Row y itself was loaded into the ring before it is overwritten here.
        std::uint8_t* out = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        for (std::size_t i = 0; i < rowBytes; ++i)
            out[i] = divide(sums[i]);
    }
}

}  // namespace

std::array<int, 3> gaussianBoxWidths(double sigma) {
    if (!(sigma > 0) || !std::isfinite(sigma))
        return {1, 1, 1};
    // Past about half the largest picture side a wider blur changes nothing; the cap keeps every
    // box within what the divider is exact for.
    sigma = std::min(sigma, 8000.0);
    // Three boxes of widths wl or wl + 2 whose variances sum to sigma squared.
    constexpr int n = 3;
    const double ideal = std::sqrt(12 * sigma * sigma / n + 1);
    int lower = static_cast<int>(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    lower = std::max(lower, 1);
    const double m = std::round((12 * sigma * sigma - n * lower * lower - 4.0 * n * lower - 3 * n) /
                                (-4.0 * lower - 4));
    std::array<int, 3> widths{};
    for (int i = 0; i < n; ++i)
        widths[i] = i < m ? lower : lower + 2;
    return widths;
}

int gaussianBlurExtent(double sigma) {
    int extent = 0;
    for (int w : gaussianBoxWidths(sigma))
        extent += (w - 1) / 2;
    return extent;
}

int blurDownscaleFactor(double sigma) {
    int factor = 1;
    while (factor < 8 && sigma / (factor * 2) >= 4)
        factor *= 2;
    return factor;
}

void gaussianBlur(std::span<std::uint8_t> pixels, int width, int height, int stride, int channels,
                  double sigma) {
    assert(channels == 1 || channels == 4);
    if (width <= 0 || height <= 0)
        return;
    assert(pixels.size() >= static_cast<std::size_t>(stride) * (height - 1) +
                                static_cast<std::size_t>(width) * channels);
    std::vector<std::uint8_t> line;
    std::vector<std::uint8_t> scratch;
    std::vector<std::uint32_t> sums;
    for (int w : gaussianBoxWidths(sigma)) {
        const int radius = (w - 1) / 2;
        if (radius == 0)
            continue;
        if (channels == 4)
            boxRows<4>(pixels.data(), width, height, stride, radius, line);
        else
            boxRows<1>(pixels.data(), width, height, stride, radius, line);
        boxColumns(pixels.data(), width, height, stride, channels, radius, scratch, sums);
    }
}

}  // namespace sonaris::platform::render
