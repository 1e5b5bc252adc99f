#include <array>
#include <charconv>
#include <cmath>
#include <ostream>

#include "state/state_json.hpp"

namespace sonaris::state {

namespace {

// Bytes that cannot stand as they are inside a JSON string: the quote, the backslash, control
// characters, and the start of anything that is not plain ASCII (checked as UTF-8).
constexpr std::array<bool, 256> makeSpecialBytes() {
    std::array<bool, 256> special{};
    for (int c = 0; c < 256; ++c)
        special[c] = c < 0x20 || c == '"' || c == '\\' || c >= 0x80;
    return special;
}
constexpr std::array<bool, 256> specialBytes = makeSpecialBytes();

// The encoder writes to a string or straight to a stream through the same two calls, so a large
// state can be printed without first being held as text.
class StreamSink {
  public:
    explicit StreamSink(std::ostream& out) : out_(out) {}
    void append(std::string_view text) {
        out_.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    void push_back(char c) { out_.put(c); }

  private:
    std::ostream& out_;
};

// Length of the well-formed UTF-8 sequence at the start of `text`, or 0.
std::size_t utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto continuation = [&](std::size_t i) {
        return i < text.size() && (byte(i) & 0xc0) == 0x80;
    };
    const unsigned char lead = byte(0);
    if (lead >= 0xc2 && lead <= 0xdf)
        return continuation(1) ? 2 : 0;
    if (lead >= 0xe0 && lead <= 0xef) {
        if (!continuation(1) || !continuation(2))
            return 0;
        if (lead == 0xe0 && byte(1) < 0xa0)
            return 0;  // overlong
        if (lead == 0xed && byte(1) >= 0xa0)
            return 0;  // surrogate
        return 3;
    }
    if (lead >= 0xf0 && lead <= 0xf4) {
        if (!continuation(1) || !continuation(2) || !continuation(3))
            return 0;
        if (lead == 0xf0 && byte(1) < 0x90)
            return 0;  // overlong
        if (lead == 0xf4 && byte(1) >= 0x90)
            return 0;  // beyond U+10FFFF
        return 4;
    }
    return 0;
}

template <class Out>
void appendString(Out& out, std::string_view text) {
    out.push_back('"');
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!specialBytes[c]) {
            ++i;
            continue;
        }
        out.append(text.substr(run, i - run));
        if (c >= 0x80) {
            // Text from a state file is always UTF-8; a string built otherwise may not be, and
            // its stray bytes become U+FFFD so that the output stays valid JSON.
            const std::size_t length = utf8SequenceLength(text.substr(i));
            if (length) {
                out.append(text.substr(i, length));
                i += length;
            } else {
                out.append("\xEF\xBF\xBD");
                ++i;
            }
        } else {
            switch (c) {
                case '"':
                    out.append("\\\"");
                    break;
                case '\\':
                    out.append("\\\\");
                    break;
                case '\b':
                    out.append("\\b");
                    break;
                case '\f':
                    out.append("\\f");
                    break;
                case '\n':
                    out.append("\\n");
                    break;
                case '\r':
                    out.append("\\r");
                    break;
                case '\t':
                    out.append("\\t");
                    break;
                default: {
                    static constexpr char hex[] = "0123456789abcdef";
                    const char escape[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
                    out.append(std::string_view(escape, sizeof escape));
                }
            }
            ++i;
        }
        run = i;
    }
    out.append(text.substr(run));
    out.push_back('"');
}

// Only called once `encodable` has vouched for every number.
template <class Out>
void appendNumber(Out& out, double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

template <class Out>
void appendBool(Out& out, bool value) {
    out.append(value ? "true" : "false");
}

template <class Out>
void appendRow(Out& out, const WidgetTrackInfo& row) {
    out.append("{\"title\":");
    appendString(out, row.title);
    out.append(",\"artist\":");
    appendString(out, row.artist);
    out.append(",\"durationText\":");
    appendString(out, row.durationText);
    out.append(",\"path\":");
    appendString(out, row.path);
    out.push_back('}');
}

bool encodable(const WidgetSharedState& state) {
    return std::isfinite(state.duration) && std::isfinite(state.currentTime) &&
           std::isfinite(state.updatedAt.timeIntervalSinceReferenceDate);
}

template <class Out>
void appendState(Out& out, const WidgetSharedState& state) {
    out.append("{\"isPlaying\":");
    appendBool(out, state.isPlaying);
    out.append(",\"title\":");
    appendString(out, state.title);
    out.append(",\"artist\":");
    appendString(out, state.artist);
    out.append(",\"album\":");
    appendString(out, state.album);
    out.append(",\"duration\":");
    appendNumber(out, state.duration);
    out.append(",\"currentTime\":");
    appendNumber(out, state.currentTime);
    out.append(",\"mediaKind\":");
    appendString(out, state.mediaKind);
    out.append(",\"hasArtwork\":");
    appendBool(out, state.hasArtwork);
    if (state.artworkBase64) {
        out.append(",\"artworkBase64\":");
        appendString(out, *state.artworkBase64);
    }
    out.append(",\"recentTracks\":[");
    for (std::size_t i = 0; i < state.recentTracks.size(); ++i) {
        if (i)
            out.push_back(',');
        appendRow(out, state.recentTracks[i]);
    }
    out.append("],\"updatedAt\":");
    appendNumber(out, state.updatedAt.timeIntervalSinceReferenceDate);
    out.push_back('}');
}

}  // namespace

bool appendJson(std::string& out, const WidgetSharedState& state) {
    if (!encodable(state))
        return false;
    // The cover text dominates a large state; room for it up front spares regrowing the output.
    out.reserve(out.size() + 512 + (state.artworkBase64 ? state.artworkBase64->size() : 0));
    appendState(out, state);
    return true;
}

bool writeJson(std::ostream& out, const WidgetSharedState& state) {
    if (!encodable(state))
        return false;
    StreamSink sink(out);
    appendState(sink, state);
    return true;
}

std::optional<std::string> encodeJson(const WidgetSharedState& state) {
    std::string out;
    if (!appendJson(out, state))
        return std::nullopt;
    return out;
}

std::string encodeJson(const WidgetTrackInfo& row) {
    std::string out;
    appendRow(out, row);
    return out;
}

}  // namespace sonaris::state
