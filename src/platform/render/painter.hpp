#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/image/image.hpp"
#include "platform/ui/layout.hpp"

namespace sonaris::platform::render {

// A drawn widget: 8-bit sRGB pixels, premultiplied ARGB32 as Cairo keeps them.
struct Raster {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<std::uint8_t> pixels;
};

// Draws a laid-out tree at `scale` pixels per point.
Raster paint(const ui::LayoutResult& laidOut, double scale);

// Writes an 8-bit RGBA PNG (straight alpha, sRGB); on failure a one-line reason that does not
// repeat the path (such as "No such file or directory"), and no file is left behind.
std::optional<std::string> writePng(const Raster& raster, const std::filesystem::path& path);

// The largest pixel size at which the tree draws each distinct cover image, so that a caller
// can decode it once for several trees before painting them.
struct ImageDemand {
    platform::image::Image image;
    platform::image::PixelSize pixels;
};
std::vector<ImageDemand> imageDemand(const ui::LayoutResult& laidOut, double scale);

}  // namespace sonaris::platform::render
