#include "host/daemon/track_text.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>

namespace sonaris::host::daemon {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace

std::string durationText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 1e12)
        return "";
    auto total = static_cast<std::int64_t>(std::floor(seconds));
    auto hours = total / 3600, minutes = total / 60 % 60, secs = total % 60;
    auto two = [](std::int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    if (hours > 0)
        return std::to_string(hours) + ":" + two(minutes) + ":" + two(secs);
    return std::to_string(minutes) + ":" + two(secs);
}

std::string fileNameOfUrl(std::string_view url) {
    url = url.substr(0, std::min(url.find('?'), url.find('#')));
    // Only the part after the authority is a path: "http://host" has no file name.
    if (auto scheme = url.find("://"); scheme != std::string_view::npos) {
        auto pathStart = url.find('/', scheme + 3);
        url = pathStart == std::string_view::npos ? std::string_view{} : url.substr(pathStart);
    }
    while (!url.empty() && url.back() == '/')
        url.remove_suffix(1);
    auto slash = url.rfind('/');
    return percentDecoded(slash == std::string_view::npos ? url : url.substr(slash + 1));
}

std::string withoutControlCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' || byte == '\r') {
            out += ' ';
            continue;
        }
        if (byte < 0x20 || byte == 0x7F)
            continue;
        // U+0080 to U+009F, in UTF-8 0xC2 followed by 0x80 to 0x9F.
        if (byte == 0xC2 && i + 1 < text.size() &&
            (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80) {
            ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

std::string mediaKindOf(std::string_view url) {
    static constexpr std::array<std::string_view, 16> videoExtensions = {
        "mp4", "m4v",  "mkv", "webm", "avi", "mov", "wmv", "flv",
        "mpg", "mpeg", "ts",  "m2ts", "3gp", "ogv", "vob", "mts"};
    std::string name = fileNameOfUrl(url);
    auto dot = name.rfind('.');
    if (dot != std::string::npos) {
        std::string extension = name.substr(dot + 1);
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        if (std::find(videoExtensions.begin(), videoExtensions.end(), extension) !=
            videoExtensions.end())
            return "video";
    }
    return "audio";
}

}  // namespace sonaris::host::daemon
