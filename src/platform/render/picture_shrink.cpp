#include "platform/render/picture_shrink.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace sonaris::platform::render {

namespace {

// For each output pixel along one axis: the source pixels it covers and how much of each, in
// fixed point summing to one (1 << 16).
struct Tap {
    int first = 0;
    std::vector<std::uint32_t> weights;
};

constexpr int weightBits = 16;
constexpr std::uint32_t weightOne = 1u << weightBits;

std::vector<Tap> areaTaps(int source, int target) {
    std::vector<Tap> taps(static_cast<std::size_t>(target));
    const double step = static_cast<double>(source) / target;
    for (int i = 0; i < target; ++i) {
        const double begin = i * step;
        const double end = std::min((i + 1) * step, static_cast<double>(source));
        Tap& tap = taps[static_cast<std::size_t>(i)];
        tap.first = static_cast<int>(begin);
        const int last = std::min(static_cast<int>(std::ceil(end)), source);
        // Weights from rounded running totals: they sum to exactly one however many there
        // are, so a flat colour stays exactly flat.
        double covered = 0;
        std::uint32_t given = 0;
        for (int s = tap.first; s < last; ++s) {
            const double cover = std::min(end, s + 1.0) - std::max(begin, static_cast<double>(s));
            covered += cover / step;
            const auto upTo =
                s + 1 == last
                    ? weightOne
                    : std::min(weightOne, static_cast<std::uint32_t>(covered * weightOne + 0.5));
            tap.weights.push_back(upTo - given);
            given = upTo;
        }
    }
    return taps;
}

}  // namespace

image::Bitmap shrinkPicture(const image::Bitmap& source, image::PixelSize target) {
    const int width = std::clamp(target.width, 1, std::max(source.size.width, 1));
    const int height = std::clamp(target.height, 1, std::max(source.size.height, 1));
    const std::vector<Tap> columns = areaTaps(source.size.width, width);
    const std::vector<Tap> rows = areaTaps(source.size.height, height);
    const std::size_t sourceBytes = static_cast<std::size_t>(source.size.width) * 4;

    image::Bitmap result;
    result.size = {width, height};
    result.stride = width * 4;
    result.pixels.resize(static_cast<std::size_t>(result.stride) * height);

    // Down first, over whole source rows: the pass that touches every source byte is then one
    // flat multiply-add the compiler vectorises. Sums stay below 255 << 16.
    std::vector<std::uint32_t> down(sourceBytes);
    for (int y = 0; y < height; ++y) {
        const Tap& tap = rows[static_cast<std::size_t>(y)];
        std::fill(down.begin(), down.end(), 0);
        for (std::size_t k = 0; k < tap.weights.size(); ++k) {
            const std::uint8_t* in =
                source.pixels.data() + (static_cast<std::size_t>(tap.first) + k) * source.stride;
            const std::uint32_t w = tap.weights[k];
            for (std::size_t i = 0; i < sourceBytes; ++i)
                down[i] += in[i] * w;
        }
        std::uint8_t* out = result.pixels.data() + static_cast<std::size_t>(y) * result.stride;
        for (int x = 0; x < width; ++x) {
            const Tap& tap = columns[static_cast<std::size_t>(x)];
            std::uint64_t sum[4] = {0, 0, 0, 0};
            const std::uint32_t* in = down.data() + static_cast<std::size_t>(tap.first) * 4;
            for (std::size_t k = 0; k < tap.weights.size(); ++k)
                for (int c = 0; c < 4; ++c)
                    sum[c] += std::uint64_t{in[k * 4 + c]} * tap.weights[k];
            for (int c = 0; c < 4; ++c) {
                const auto v =
                    (sum[c] + (std::uint64_t{1} << (2 * weightBits - 1))) >> (2 * weightBits);
                out[x * 4 + c] = static_cast<std::uint8_t>(std::min<std::uint64_t>(v, 255));
            }
        }
    }
    return result;
}

std::shared_ptr<const image::Bitmap> shrunkPicture(
    const std::shared_ptr<const image::Bitmap>& source, image::PixelSize target) {
    struct Remembered {
        std::weak_ptr<const image::Bitmap> source;
        image::PixelSize target;
        std::shared_ptr<const image::Bitmap> result;
    };
    // Most recent first; a handful covers the drawings of one widget's three families.
    thread_local std::vector<Remembered> remembered;
    constexpr std::size_t capacity = 6;

    std::erase_if(remembered, [](const Remembered& r) { return r.source.expired(); });
    const auto same = [&](const Remembered& r) {
        return !r.source.owner_before(source) && !source.owner_before(r.source) &&
               r.target == target;
    };
    if (auto hit = std::find_if(remembered.begin(), remembered.end(), same);
        hit != remembered.end()) {
        std::rotate(remembered.begin(), hit, hit + 1);
        return remembered.front().result;
    }
    auto result = std::make_shared<const image::Bitmap>(shrinkPicture(*source, target));
    remembered.insert(remembered.begin(), Remembered{source, target, result});
    if (remembered.size() > capacity)
        remembered.pop_back();
    return result;
}

}  // namespace sonaris::platform::render
