#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/image/image.hpp"

// One pair of operations for each encoding the image type reads. A header function answers only
// when the bytes carry that encoding's signature and a header the matching decoder will accept;
// a decoder returns nothing when the pixel data turns out to be unreadable.
namespace sonaris::platform::image::formats {

using Bytes = std::span<const std::uint8_t>;

std::optional<PixelSize> jpegSize(Bytes bytes);
std::optional<Bitmap> decodeJpeg(Bytes bytes, PixelSize atLeast);

std::optional<PixelSize> pngSize(Bytes bytes);
std::optional<Bitmap> decodePng(Bytes bytes, PixelSize atLeast);

std::optional<PixelSize> webpSize(Bytes bytes);
std::optional<Bitmap> decodeWebp(Bytes bytes, PixelSize atLeast);

std::optional<PixelSize> bmpSize(Bytes bytes);
std::optional<Bitmap> decodeBmp(Bytes bytes, PixelSize atLeast);

std::optional<PixelSize> gifSize(Bytes bytes);
std::optional<Bitmap> decodeGif(Bytes bytes, PixelSize atLeast);

}  // namespace sonaris::platform::image::formats
