#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/image/image.hpp"

namespace sonaris::platform::image {

enum class Format { Jpeg, Png, Webp, Bmp, Gif };

struct Header {
    Format format;
    PixelSize size;
};

// Recognises the encoding by its signature, never by a file name.
std::optional<Header> readHeader(std::span<const std::uint8_t> bytes);

std::optional<Bitmap> decode(Format format, std::span<const std::uint8_t> bytes, PixelSize atLeast);

}  // namespace sonaris::platform::image
