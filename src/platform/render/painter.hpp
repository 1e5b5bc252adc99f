#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "platform/foundation/staged_file.hpp"
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

// Draws a laid-out tree at `scale` pixels per point; the control (Link) standing at
// `pressedControl`, if any, darkened as a pressed button is.
Raster paint(const ui::LayoutResult& laidOut, double scale,
             std::optional<ui::Rect> pressedControl = std::nullopt);

// A raster as an 8-bit RGBA PNG file's bytes (straight alpha, sRGB).
class EncodedPng {
  public:
    std::span<const std::uint8_t> bytes() const { return bytes_; }

  private:
    friend std::variant<EncodedPng, std::string> encodePng(const Raster& raster);
    std::vector<std::uint8_t> bytes_;
};

// On failure a one-line reason.
std::variant<EncodedPng, std::string> encodePng(const Raster& raster);

// The PNG written whole beside `path`, ready to be put in place; on failure a one-line reason
// that does not repeat the path (such as "No such file or directory"), and nothing has changed
// at `path`.
std::variant<foundation::StagedFile, std::string> stagePng(const Raster& raster,
                                                           const std::filesystem::path& path);

// stagePng, then put in place at once.
std::optional<std::string> writePng(const Raster& raster, const std::filesystem::path& path);

// The largest pixel size at which the tree draws each distinct cover image, so that a caller
// can decode it once for several trees before painting them.
struct ImageDemand {
    platform::image::Image image;
    platform::image::PixelSize pixels;
};
std::vector<ImageDemand> imageDemand(const ui::LayoutResult& laidOut, double scale);

}  // namespace sonaris::platform::render
