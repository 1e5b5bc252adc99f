#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>

#include "host/art/jpeg_reencoder.hpp"

namespace sonaris::host::art {

// A JPEG file as a cover of at most `maxSide` a side, decoded as it is read from disk at the
// smallest scale the format offers that still covers the cover's size: a photograph of tens of
// megabytes costs neither its bytes nor its full-size pixels in memory. Only a regular file of at
// most `maxBytes` is read. Nothing when the file is no JPEG this can decode within its working
// memory (another format, CMYK, a progressive picture too large to buffer), so that the caller
// may try it another way.
std::optional<Cover> jpegFileCover(const std::filesystem::path& path, int maxSide,
                                   std::size_t maxBytes);

}  // namespace sonaris::host::art
