#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/image/image.hpp"

namespace sonaris::host::art {

// The size a picture of `natural` size is shown at when neither side may pass `maxSide`: the
// same shape, never enlarged, at least one pixel each way.
platform::image::PixelSize fittedSize(platform::image::PixelSize natural, int maxSide);

// Averages a decoded picture down to `target` (no larger than the bitmap either way), laid on
// black, as packed 8-bit RGB rows. Transparent parts show the widget's dark card through them.
std::vector<std::uint8_t> downscaleToRgb(const platform::image::Bitmap& bitmap,
                                         platform::image::PixelSize target);

// A baseline JPEG at `quality`, 4:2:0, from packed RGB rows.
std::optional<std::vector<std::uint8_t>> encodeJpeg(std::span<const std::uint8_t> rgb,
                                                    platform::image::PixelSize size,
                                                    int quality = 90);

struct Cover {
    std::vector<std::uint8_t> jpeg;
    platform::image::PixelSize sourceSize;  // the picture's own, before it was shrunk
};

// Any picture the image module reads (JPEG, PNG, WebP, BMP, GIF), as a baseline JPEG of at most
// `maxSide` pixels a side. The bytes are taken whatever their number (the caller capped them);
// only the decode is held to the image module's limits. Nothing when the bytes are no picture or
// their pixels are corrupt.
std::optional<Cover> reencodeAsJpeg(std::vector<std::uint8_t> bytes, int maxSide);

}  // namespace sonaris::host::art
