#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace sonaris::platform::foundation {

// Reads a whole regular file in one piece. Anything that is not a regular file (a directory, a
// named pipe, a device) fails at once instead of blocking.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path);

}  // namespace sonaris::platform::foundation
