// Strict Base64: the decoder against a plain reference of the same rules, and the encoder's output
// read back through the decoder.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "fuzz_support.hpp"
#include "platform/foundation/base64.hpp"

namespace {

namespace foundation = sonaris::platform::foundation;

int sextet(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// Slow and obvious: padded to a multiple of four, "=" only as the last one or two characters,
// leftover bits of the last character ignored.
std::optional<std::vector<std::uint8_t>> referenceDecode(std::string_view text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    const std::string_view body = text.substr(0, text.size() - padding);
    std::vector<std::uint8_t> bytes;
    std::uint32_t bits = 0;
    int count = 0;
    for (char c : body) {
        const int value = sextet(c);
        if (value < 0)
            return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(static_cast<std::uint8_t>(bits >> count));
            bits &= (1u << count) - 1;
        }
    }
    // One sextet alone cannot make a byte: a group of "X===" is never valid.
    if (body.size() % 4 == 1)
        return std::nullopt;
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const auto decoded = foundation::base64Decode(text);
    const auto expected = referenceDecode(text);
    FUZZ_CHECK(decoded.has_value() == expected.has_value());
    if (decoded) {
        FUZZ_CHECK(*decoded == *expected);
        // Valid text re-encodes to text of the same length that decodes to the same bytes.
        const auto again = foundation::base64Encode(decoded->data(), decoded->size());
        FUZZ_CHECK(again.size() == text.size());
        const auto back = foundation::base64Decode(again);
        FUZZ_CHECK(back && *back == *decoded);
    }

    // Any bytes at all encode to valid text that decodes back to them.
    const auto encoded = foundation::base64Encode(data, size);
    FUZZ_CHECK(encoded.size() == (size + 2) / 3 * 4);
    const auto roundTrip = foundation::base64Decode(encoded);
    FUZZ_CHECK(roundTrip && roundTrip->size() == size &&
               std::equal(roundTrip->begin(), roundTrip->end(), data));
    return 0;
}
