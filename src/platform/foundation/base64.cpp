#include "platform/foundation/base64.hpp"

#include <array>
#include <bit>
#include <cstring>

namespace sonaris::platform::foundation {

namespace {

constexpr std::string_view alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// One table a position in a four-character group, each giving its character's six bits already
// moved to their place in the group's three output bytes (little-endian word). Every valid entry
// fits in 24 bits; an invalid character sets bit 24, so OR-ing the four lookups both assembles
// the bytes and flags any bad character, with no branch per character.
constexpr std::uint32_t invalid = 0x01ffffff;

struct DecodeTables {
    std::array<std::uint32_t, 256> position[4];
};

constexpr DecodeTables makeDecodeTables() {
    DecodeTables tables{};
    for (auto& table : tables.position)
        table.fill(invalid);
    for (std::uint32_t v = 0; v < 64; ++v) {
        const auto c = static_cast<unsigned char>(alphabet[v]);
        tables.position[0][c] = v << 2;
        tables.position[1][c] = (v >> 4) | ((v & 0x0f) << 12);
        tables.position[2][c] = ((v >> 2) << 8) | ((v & 0x03) << 22);
        tables.position[3][c] = v << 16;
    }
    return tables;
}

constexpr DecodeTables decodeTables = makeDecodeTables();

inline std::uint32_t decodeGroup(const unsigned char* in) {
    return decodeTables.position[0][in[0]] | decodeTables.position[1][in[1]] |
           decodeTables.position[2][in[2]] | decodeTables.position[3][in[3]];
}

// Writes the group's three bytes; on little-endian machines as one four-byte store whose fourth
// byte the next group overwrites, so the caller keeps one byte of room after the last store.
inline void storeGroup(std::uint8_t* out, std::uint32_t word) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, &word, 4);
    } else {
        out[0] = static_cast<std::uint8_t>(word);
        out[1] = static_cast<std::uint8_t>(word >> 8);
        out[2] = static_cast<std::uint8_t>(word >> 16);
    }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    if (text.empty())
        return std::vector<std::uint8_t>();

    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t groups = text.size() / 4;
    const unsigned char* last = in + (groups - 1) * 4;
    const std::size_t padding = last[3] != '=' ? 0 : last[2] != '=' ? 1 : 2;

    std::vector<std::uint8_t> bytes(groups * 3 - padding);
    std::uint8_t* out = bytes.data();

    // Every group but the last: the last holds the padding, and as it always yields at least one
    // byte, the wide stores below never pass the end of the buffer. Two groups a step make one
    // eight-byte store of six bytes.
    std::uint32_t errors = 0;
    std::size_t g = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; g + 4 <= groups; g += 2) {
            const std::uint32_t first = decodeGroup(in + g * 4);
            const std::uint32_t second = decodeGroup(in + g * 4 + 4);
            errors |= first | second;
            const std::uint64_t pair = first | (std::uint64_t{second} << 24);
            std::memcpy(out + g * 3, &pair, 8);
        }
    }
    for (; g + 1 < groups; ++g) {
        const std::uint32_t word = decodeGroup(in + g * 4);
        errors |= word;
        storeGroup(out + g * 3, word);
    }

    unsigned char tail[4] = {last[0], last[1], last[2], last[3]};
    for (std::size_t i = 4 - padding; i < 4; ++i)
        tail[i] = 'A';
    const std::uint32_t word = decodeGroup(tail);
    errors |= word;
    std::uint8_t* end = out + (groups - 1) * 3;
    for (std::size_t i = 0; i < 3 - padding; ++i)
        end[i] = static_cast<std::uint8_t>(word >> (8 * i));

    if (errors & ~std::uint32_t{0x00ffffff})
        return std::nullopt;
    return bytes;
}

std::string base64Encode(const std::uint8_t* data, std::size_t size) {
    std::string text((size + 2) / 3 * 4, '=');
    char* out = text.data();
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3, out += 4) {
        const std::uint32_t word =
            (std::uint32_t{data[i]} << 16) | (std::uint32_t{data[i + 1]} << 8) | data[i + 2];
        out[0] = alphabet[word >> 18];
        out[1] = alphabet[(word >> 12) & 0x3f];
        out[2] = alphabet[(word >> 6) & 0x3f];
        out[3] = alphabet[word & 0x3f];
    }
    if (const std::size_t rest = size - i; rest > 0) {
        const std::uint32_t word =
            (std::uint32_t{data[i]} << 16) | (rest == 2 ? std::uint32_t{data[i + 1]} << 8 : 0);
        out[0] = alphabet[word >> 18];
        out[1] = alphabet[(word >> 12) & 0x3f];
        if (rest == 2)
            out[2] = alphabet[(word >> 6) & 0x3f];
    }
    return text;
}

}  // namespace sonaris::platform::foundation
