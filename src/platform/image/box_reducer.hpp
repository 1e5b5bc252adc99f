#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/image/image.hpp"

namespace sonaris::platform::image {

// What a request asks of a picture of `natural` size: no more than the picture has, at least one
// pixel each way, and no more pixels than a decode may have (shrunk evenly to fit).
PixelSize coveredSize(PixelSize natural, PixelSize atLeast);

// The largest whole factor by which `natural` shrinks and still covers `atLeast`, or the smallest
// that keeps the result within the decode's pixel limit when that is larger.
int reductionFactor(PixelSize natural, PixelSize atLeast);

// Shrinks a picture by a whole factor as its rows stream past, averaging each factor x factor
// block in premultiplied space so that transparent pixels lend no colour to their neighbours.
// Only one row of running sums is kept besides the output.
class BoxReducer {
  public:
    BoxReducer(PixelSize source, int factor);

    // One row of straight-alpha RGBA, four bytes a pixel, rows in order from the top.
    void addRow(std::span<const std::uint8_t> rgba);

    bool isComplete() const { return rowsSeen_ == source_.height; }
    Bitmap take();

  private:
    void flushRow(int blockHeight);

    PixelSize source_;
    int factor_;
    Bitmap output_;
    std::vector<std::uint64_t> sums_;
    int rowsSeen_ = 0;
};

}  // namespace sonaris::platform::image
