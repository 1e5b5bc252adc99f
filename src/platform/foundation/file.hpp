#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/foundation/byte_block.hpp"

namespace sonaris::platform::foundation {

inline constexpr std::size_t kNoSizeLimit = std::numeric_limits<std::size_t>::max();

// Reads a whole regular file in one piece. Anything that is not a regular file (a directory, a
// named pipe, a device) fails at once instead of blocking. A file longer than `maxBytes` fails
// too: one that is already too long when opened is not read at all, and one that grows past the
// limit while it is read is given up.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path,
                                                       std::size_t maxBytes = kNoSizeLimit);

// A file's bytes followed by zeroed spare room, so that a parser that reads in wide blocks may
// run past the end without a copy of the text into a bigger buffer.
class PaddedBytes {
  public:
    const std::uint8_t* data() const { return data_.data(); }
    std::size_t size() const { return size_; }
    // At least size() plus the padding asked for.
    std::size_t capacity() const { return capacity_; }
    std::span<const std::uint8_t> bytes() const { return {data_.data(), size_}; }

  private:
    friend std::optional<PaddedBytes> readWholeFilePadded(const std::filesystem::path&, std::size_t,
                                                          std::size_t);
    ByteBlock data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// readWholeFile with `padding` zero bytes of room after the content.
std::optional<PaddedBytes> readWholeFilePadded(const std::filesystem::path& path,
                                               std::size_t padding,
                                               std::size_t maxBytes = kNoSizeLimit);

}  // namespace sonaris::platform::foundation
