#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace sonaris::platform::render {

// Widths of the three box filters whose succession approximates a Gaussian of `sigma` pixels.
// Each width is odd, so a box stays centred on its pixel; a sigma below about 0.5 yields ones.
std::array<int, 3> gaussianBoxWidths(double sigma);

// How far, in pixels, the blur of `sigma` spreads a pixel: the sum of the boxes' half-widths.
int gaussianBlurExtent(double sigma);

// How many times coarser than the output a blur of `sigma` pixels is worked out: a wide blur
// loses nothing on coarser pixels, since its result holds no detail finer than a few of them.
// At least four coarse pixels to the sigma keep the stacked boxes a close Gaussian and the
// bilinear enlargement smooth. A power of two, at most 8.
int blurDownscaleFactor(double sigma);

// Blurs an image in place, pixels outside it counting as transparent. `channels` bytes a pixel
// (4 for premultiplied ARGB32 or 1 for an alpha mask), rows `stride` bytes apart.
void gaussianBlur(std::span<std::uint8_t> pixels, int width, int height, int stride, int channels,
                  double sigma);

}  // namespace sonaris::platform::render
