#include "host/art/local_art.hpp"

#include "platform/foundation/base64.hpp"
#include "platform/foundation/file.hpp"

namespace sonaris::host::art {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

// The character at `i` with a "%XX" escape undone; `i` moves to the escape's last character.
char unescapedAt(std::string_view text, std::size_t& i) {
    if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
        hexValue(text[i + 2]) >= 0) {
        i += 2;
        return static_cast<char>(hexValue(text[i - 1]) * 16 + hexValue(text[i]));
    }
    return text[i];
}

bool isBase64Space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The characters a data: payload holds once its escapes are undone, spaces left out of Base64.
std::size_t decodedLength(std::string_view payload, bool isBase64) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < payload.size(); ++i) {
        const char c = unescapedAt(payload, i);
        length += isBase64 && isBase64Space(c) ? 0 : 1;
    }
    return length;
}

}  // namespace

std::string percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        out.push_back(unescapedAt(text, i));
    }
    return out;
}

bool hasScheme(std::string_view url, std::string_view scheme) {
    return url.size() > scheme.size() && url[scheme.size()] == ':' &&
           equalsIgnoringCase(url.substr(0, scheme.size()), scheme);
}

std::optional<std::string> filePathOf(std::string_view url) {
    if (!hasScheme(url, "file")) {
        return std::nullopt;
    }
    auto rest = url.substr(5);
    if (!rest.starts_with("//")) {
        return std::nullopt;
    }
    rest.remove_prefix(2);
    const auto slash = rest.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    // Another machine's files are not ours to read.
    const auto host = rest.substr(0, slash);
    if (!host.empty() && !equalsIgnoringCase(host, "localhost")) {
        return std::nullopt;
    }
    auto path = percentDecode(rest.substr(slash));
    // The system would read the path only up to a NUL, which is then some other file.
    if (path.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    return path;
}

std::optional<std::vector<std::uint8_t>> readFileUrl(std::string_view url, std::size_t maxBytes) {
    const auto path = filePathOf(url);
    if (!path) {
        return std::nullopt;
    }
    return platform::foundation::readWholeFile(*path, maxBytes);
}

std::optional<std::vector<std::uint8_t>> decodeDataUri(std::string_view uri, std::size_t maxBytes) {
    if (!hasScheme(uri, "data")) {
        return std::nullopt;
    }
    const auto rest = uri.substr(5);
    const auto comma = rest.find(',');
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    const auto header = rest.substr(0, comma);
    const auto payload = rest.substr(comma + 1);
    const auto semicolon = header.rfind(';');
    const bool isBase64 = semicolon != std::string_view::npos &&
                          equalsIgnoringCase(header.substr(semicolon + 1), "base64");

    // Refused before anything is copied when the text, once unescaped, cannot fit the cap.
    if (decodedLength(payload, isBase64) > (isBase64 ? (maxBytes / 3 + 1) * 4 : maxBytes)) {
        return std::nullopt;
    }
    auto text = percentDecode(payload);
    if (!isBase64) {
        if (text.size() > maxBytes) {
            return std::nullopt;
        }
        return std::vector<std::uint8_t>(text.begin(), text.end());
    }
    // Base64 in URIs is often wrapped or left unpadded; the strict decoder gets it cleaned up.
    std::erase_if(text, isBase64Space);
    while (text.size() % 4 != 0 && text.size() % 4 != 1) {
        text.push_back('=');
    }
    auto bytes = platform::foundation::base64Decode(text);
    if (!bytes || bytes->size() > maxBytes) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace sonaris::host::art
