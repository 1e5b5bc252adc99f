#include "state/json_unescape.hpp"

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>

namespace sonaris::state {

namespace {

std::optional<std::uint32_t> hexQuad(std::string_view text) {
    if (text.size() < 4)
        return std::nullopt;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = text[i];
        std::uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else
            return std::nullopt;
        value = value << 4 | digit;
    }
    return value;
}

// Writes `code` as UTF-8 at `out`; returns the end.
char* writeUtf8(char* out, std::uint32_t code) {
    if (code < 0x80) {
        *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *out++ = static_cast<char>(0xc0 | code >> 6);
        *out++ = static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        *out++ = static_cast<char>(0xe0 | code >> 12);
        *out++ = static_cast<char>(0x80 | (code >> 6 & 0x3f));
        *out++ = static_cast<char>(0x80 | (code & 0x3f));
    } else {
        *out++ = static_cast<char>(0xf0 | code >> 18);
        *out++ = static_cast<char>(0x80 | (code >> 12 & 0x3f));
        *out++ = static_cast<char>(0x80 | (code >> 6 & 0x3f));
        *out++ = static_cast<char>(0x80 | (code & 0x3f));
    }
    return out;
}

// The escape at the start of `text` (just after its backslash): how many characters it takes,
// and the code point it stands for; nothing when malformed.
std::optional<std::pair<std::size_t, std::uint32_t>> readEscape(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    switch (text[0]) {
        case '"':
            return std::pair{std::size_t{1}, std::uint32_t{'"'}};
        case '\\':
            return std::pair{std::size_t{1}, std::uint32_t{'\\'}};
        case '/':
            return std::pair{std::size_t{1}, std::uint32_t{'/'}};
        case 'b':
            return std::pair{std::size_t{1}, std::uint32_t{'\b'}};
        case 'f':
            return std::pair{std::size_t{1}, std::uint32_t{'\f'}};
        case 'n':
            return std::pair{std::size_t{1}, std::uint32_t{'\n'}};
        case 'r':
            return std::pair{std::size_t{1}, std::uint32_t{'\r'}};
        case 't':
            return std::pair{std::size_t{1}, std::uint32_t{'\t'}};
        case 'u':
            break;
        default:
            return std::nullopt;
    }
    const auto first = hexQuad(text.substr(1));
    if (!first)
        return std::nullopt;
    if (*first < 0xd800 || *first > 0xdfff)
        return std::pair{std::size_t{5}, *first};
    // A surrogate stands only as the first half of a pair written as two escapes.
    if (*first > 0xdbff || text.substr(5, 2) != "\\u")
        return std::nullopt;
    const auto second = hexQuad(text.substr(7));
    if (!second || *second < 0xdc00 || *second > 0xdfff)
        return std::nullopt;
    return std::pair{std::size_t{11}, 0x10000 + ((*first - 0xd800) << 10) + (*second - 0xdc00)};
}

}  // namespace

bool unescapeJsonString(std::string_view content, std::string* out) {
    if (!out) {
        for (std::size_t at = 0;;) {
            const void* found = std::memchr(content.data() + at, '\\', content.size() - at);
            if (!found)
                return true;
            const auto backslash =
                static_cast<std::size_t>(static_cast<const char*>(found) - content.data());
            const auto escape = readEscape(content.substr(backslash + 1));
            if (!escape)
                return false;
            at = backslash + 1 + escape->first;
        }
    }

    const auto* firstEscape =
        static_cast<const char*>(std::memchr(content.data(), '\\', content.size()));
    if (!firstEscape) {
        out->append(content);
        return true;
    }

    // No escape is shorter than what it stands for, so the content's length is room enough,
    // also for the eight-byte stores below, which never run past the content's own end.
    const std::size_t start = out->size();
    out->resize(start + content.size());
    char* dst = out->data() + start;
    const char* src = content.data();
    const char* const end = src + content.size();
    for (;;) {
        // Eight bytes a step while none is a backslash: a long Base64 text written with "\/"
        // has one only every sixty-odd characters.
        if constexpr (std::endian::native == std::endian::little) {
            constexpr std::uint64_t ones = 0x0101010101010101ull;
            while (end - src >= 8) {
                std::uint64_t word;
                std::memcpy(&word, src, 8);
                const std::uint64_t x = word ^ (ones * '\\');
                // The lowest set bit marks the first backslash exactly.
                const std::uint64_t hit = (x - ones) & ~x & (ones * 0x80);
                std::memcpy(dst, &word, 8);
                const std::size_t run =
                    hit ? static_cast<std::size_t>(std::countr_zero(hit)) / 8 : 8;
                src += run;
                dst += run;
                if (hit)
                    break;
            }
        }
        while (src < end && *src != '\\')
            *dst++ = *src++;
        if (src == end)
            break;
        const auto escape =
            readEscape(std::string_view(src + 1, static_cast<std::size_t>(end - src - 1)));
        if (!escape) {
            out->resize(start);
            return false;
        }
        dst = writeUtf8(dst, escape->second);
        src += 1 + escape->first;
    }
    out->resize(static_cast<std::size_t>(dst - out->data()));
    return true;
}

}  // namespace sonaris::state
