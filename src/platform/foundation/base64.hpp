#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonaris::platform::foundation {

// Strict Base64 (RFC 4648 standard alphabet): any character outside the alphabet and its "="
// padding, line breaks and spaces included, makes the whole text invalid. The text must be padded
// to a multiple of four characters; "=" may only end it, once or twice. Bits left over in the
// last character (beyond the last whole byte) are ignored, as most decoders do. The empty text
// is valid and holds no bytes.
std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text);

// Padded Base64 in the standard alphabet, with no line breaks.
std::string base64Encode(const std::uint8_t* data, std::size_t size);

}  // namespace sonaris::platform::foundation
