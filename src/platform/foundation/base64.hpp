#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonaris::platform::foundation {

// Strict Base64 (RFC 4648 standard alphabet): any character outside the alphabet and its "="
// padding, line breaks and spaces included, makes the whole text invalid.
std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text);

std::string base64Encode(const std::uint8_t* data, std::size_t size);

}  // namespace sonaris::platform::foundation
