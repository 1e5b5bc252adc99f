#include "host/daemon/status_json.hpp"

#include <cstdio>

#include "host/daemon/state_composer.hpp"

namespace sonaris::host::daemon {
namespace {

// The length of the valid UTF-8 sequence at the start of `text`, 0 when there is none.
std::size_t validSequence(std::string_view text) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(0);
    std::size_t length = lead < 0x80                   ? 1
                         : lead >= 0xC2 && lead < 0xE0 ? 2
                         : lead >= 0xE0 && lead < 0xF0 ? 3
                         : lead >= 0xF0 && lead < 0xF5 ? 4
                                                       : 0;
    if (length == 0 || length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    if (length == 3 && ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0)))
        return 0;
    if (length == 4 && ((lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) >= 0x90)))
        return 0;
    return length;
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    while (!text.empty()) {
        std::size_t length = validSequence(text);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            text.remove_prefix(1);
            continue;
        }
        char c = text[0];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
            out += escape;
        } else {
            out.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    out += '"';
}

std::string statusJson(const std::vector<PlayerSummary>& players,
                       const std::optional<std::string>& chosen) {
    std::string out = "{\"players\":[";
    for (std::size_t i = 0; i < players.size(); ++i) {
        const auto& player = players[i];
        out += i ? ",{\"name\":" : "{\"name\":";
        appendJsonString(out, player.name);
        out += ",\"status\":";
        appendJsonString(out, players::playbackStatusName(player.status));
        out += ",\"title\":";
        appendJsonString(out, player.title);
        out += ",\"artist\":";
        appendJsonString(out, player.artist);
        out += '}';
    }
    out += "],\"chosen\":";
    if (chosen)
        appendJsonString(out, *chosen);
    else
        out += "null";
    out += '}';
    return out;
}

}  // namespace sonaris::host::daemon
