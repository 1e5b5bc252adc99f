#include <simdjson.h>

#include <optional>
#include <utility>

#include "state/json_unescape.hpp"
#include "state/state_json.hpp"
#include "state/state_limits.hpp"

namespace sonaris::state {

namespace {

namespace ondemand = simdjson::ondemand;
using ondemand::json_type;

static_assert(stateJsonPadding >= simdjson::SIMDJSON_PADDING);

// Deeper nesting than any real state needs; it bounds the validator's recursion, so that a file
// of nothing but brackets is turned away instead of exhausting the stack.
constexpr int maxDepth = 512;

bool isJsonWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// On Demand leaves a value it is not asked for unchecked, so every value in the document is read
// through one of these: a document that passes has been validated from its first byte to its last.

// The content of the string token at `value`, between its quotes, and consumes the value.
// Strings are read from the text itself rather than through the parser's unescaping buffer:
// the Base64 cover above all is one pass and no extra megabytes this way. The first pass has
// checked the text as UTF-8 without raw control characters, and a string token runs from its
// opening quote to its closing one followed only by white space up to the next token.
std::optional<std::string_view> stringContent(ondemand::value& value) {
    json_type type;
    if (value.type().get(type) || type != json_type::string)
        return std::nullopt;
    std::string_view token = value.raw_json_token();
    while (!token.empty() && isJsonWhitespace(token.back()))
        token.remove_suffix(1);
    ondemand::raw_json_string consumed;
    if (token.size() < 2 || token.back() != '"' || value.get_raw_json_string().get(consumed))
        return std::nullopt;
    return token.substr(1, token.size() - 2);
}

bool readString(ondemand::value value, std::string& out) {
    const auto content = stringContent(value);
    if (!content)
        return false;
    out.clear();
    return unescapeJsonString(*content, &out);
}

// Unescaped straight into the text every copy of the state shares.
bool readString(ondemand::value value, SharedText& out) {
    std::string text;
    if (!readString(value, text))
        return false;
    out = std::move(text);
    return true;
}

bool validateString(ondemand::value value) {
    const auto content = stringContent(value);
    return content && unescapeJsonString(*content, nullptr);
}

bool readBool(ondemand::value value, bool& out) {
    json_type type;
    if (value.type().get(type) || type != json_type::boolean)
        return false;
    return !value.get_bool().get(out);
}

bool readNumber(ondemand::value value, double& out) {
    json_type type;
    if (value.type().get(type) || type != json_type::number)
        return false;
    return !value.get_double().get(out);
}

bool validate(ondemand::value value, int depth);

bool validateObject(ondemand::object object, int depth) {
    for (auto result : object) {
        ondemand::field field;
        std::string_view key;
        if (std::move(result).get(field) || field.unescaped_key().get(key))
            return false;
        if (!validate(field.value(), depth + 1))
            return false;
    }
    return true;
}

bool validateArray(ondemand::array array, int depth) {
    for (auto result : array) {
        ondemand::value element;
        if (std::move(result).get(element) || !validate(element, depth + 1))
            return false;
    }
    return true;
}

// Checks a value the format ignores, all the way down.
bool validate(ondemand::value value, int depth) {
    if (depth > maxDepth)
        return false;
    json_type type;
    if (value.type().get(type))
        return false;
    switch (type) {
        case json_type::object: {
            ondemand::object object;
            return !value.get_object().get(object) && validateObject(object, depth);
        }
        case json_type::array: {
            ondemand::array array;
            return !value.get_array().get(array) && validateArray(array, depth);
        }
        case json_type::string:
            return validateString(value);
        case json_type::number: {
            double ignored;
            return !value.get_double().get(ignored);
        }
        case json_type::boolean: {
            bool ignored;
            return !value.get_bool().get(ignored);
        }
        case json_type::null: {
            bool isNull = false;
            return !value.is_null().get(isNull) && isNull;
        }
    }
    return false;
}

bool decodeRow(ondemand::value value, WidgetTrackInfo& row) {
    ondemand::object object;
    if (value.get_object().get(object))
        return false;
    enum : unsigned { title = 1, artist = 2, durationText = 4, path = 8, all = 15 };
    unsigned seen = 0;
    const auto mark = [&seen](unsigned key, bool ok) {
        seen |= key;
        return ok;
    };
    for (auto result : object) {
        ondemand::field field;
        std::string_view key;
        if (std::move(result).get(field) || field.unescaped_key().get(key))
            return false;
        bool ok;
        if (key == "title")
            ok = mark(title, readString(field.value(), row.title));
        else if (key == "artist")
            ok = mark(artist, readString(field.value(), row.artist));
        else if (key == "durationText")
            ok = mark(durationText, readString(field.value(), row.durationText));
        else if (key == "path")
            ok = mark(path, readString(field.value(), row.path));
        else
            ok = validate(field.value(), 3);
        if (!ok)
            return false;
    }
    return seen == all;
}

bool decodeRows(ondemand::value value, std::vector<WidgetTrackInfo>& rows) {
    ondemand::array array;
    if (value.get_array().get(array))
        return false;
    rows.clear();
    for (auto result : array) {
        ondemand::value element;
        if (std::move(result).get(element) || rows.size() == kMaxRecentTracks)
            return false;
        if (!decodeRow(element, rows.emplace_back()))
            return false;
    }
    return true;
}

bool decodeArtwork(ondemand::value value, std::optional<SharedText>& artwork,
                   const std::shared_ptr<const void>& owner) {
    json_type type;
    if (value.type().get(type))
        return false;
    if (type == json_type::null) {
        bool isNull = false;
        if (value.is_null().get(isNull) || !isNull)
            return false;
        artwork.reset();
        return true;
    }
    const auto content = stringContent(value);
    if (!content)
        return false;
    if (owner && content->find('\\') == std::string_view::npos) {
        // Without escapes the text is already its own value; it is checked as any string is.
        if (!unescapeJsonString(*content, nullptr))
            return false;
        artwork.emplace(owner, *content);
        return true;
    }
    std::string text;
    if (!unescapeJsonString(*content, &text))
        return false;
    artwork.emplace(std::move(text));
    return true;
}

bool decodeState(ondemand::object object, WidgetSharedState& state,
                 const std::shared_ptr<const void>& owner) {
    enum : unsigned {
        isPlaying = 1 << 0,
        title = 1 << 1,
        artist = 1 << 2,
        album = 1 << 3,
        duration = 1 << 4,
        currentTime = 1 << 5,
        mediaKind = 1 << 6,
        hasArtwork = 1 << 7,
        recentTracks = 1 << 8,
        updatedAt = 1 << 9,
        required = (1 << 10) - 1,
    };
    unsigned seen = 0;
    const auto mark = [&seen](unsigned key, bool ok) {
        seen |= key;
        return ok;
    };
    for (auto result : object) {
        ondemand::field field;
        std::string_view key;
        if (std::move(result).get(field) || field.unescaped_key().get(key))
            return false;
        ondemand::value value = field.value();
        bool ok;
        // A key given twice counts with its last value, as in a dictionary; each occurrence must
        // still be of the right type.
        if (key == "artworkBase64") {
            ok = decodeArtwork(value, state.artworkBase64, owner);
        } else if (key == "recentTracks") {
            ok = mark(recentTracks, decodeRows(value, state.recentTracks));
        } else if (key == "isPlaying") {
            ok = mark(isPlaying, readBool(value, state.isPlaying));
        } else if (key == "title") {
            ok = mark(title, readString(value, state.title));
        } else if (key == "artist") {
            ok = mark(artist, readString(value, state.artist));
        } else if (key == "album") {
            ok = mark(album, readString(value, state.album));
        } else if (key == "duration") {
            ok = mark(duration, readNumber(value, state.duration));
        } else if (key == "currentTime") {
            ok = mark(currentTime, readNumber(value, state.currentTime));
        } else if (key == "mediaKind") {
            ok = mark(mediaKind, readString(value, state.mediaKind));
        } else if (key == "hasArtwork") {
            ok = mark(hasArtwork, readBool(value, state.hasArtwork));
        } else if (key == "updatedAt") {
            ok = mark(updatedAt, readNumber(value, state.updatedAt.timeIntervalSinceReferenceDate));
        } else {
            ok = validate(value, 2);
        }
        if (!ok)
            return false;
    }
    return seen == required;
}

std::optional<WidgetSharedState> decodePadded(std::string_view json, std::size_t allocated,
                                              const std::shared_ptr<const void>& owner) {
    // Editors on some systems start UTF-8 files with a byte-order mark.
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (json.starts_with(byteOrderMark)) {
        json.remove_prefix(byteOrderMark.size());
        allocated -= byteOrderMark.size();
    }
    ondemand::parser parser;
    ondemand::document document;
    if (parser.iterate(json.data(), json.size(), allocated).get(document))
        return std::nullopt;
    ondemand::object object;
    if (document.get_object().get(object))
        return std::nullopt;
    WidgetSharedState state;
    if (!decodeState(object, state, owner))
        return std::nullopt;
    // Whatever follows the object, a second value or a stray bracket, makes it no state file.
    if (document.current_location().error() != simdjson::OUT_OF_BOUNDS)
        return std::nullopt;
    return state;
}

}  // namespace

std::optional<WidgetSharedState> decodeWidgetSharedState(std::string_view json) {
    const simdjson::padded_string padded(json);
    return decodePadded(padded, padded.size() + simdjson::SIMDJSON_PADDING, nullptr);
}

std::optional<WidgetSharedState> decodeWidgetSharedState(std::string_view json,
                                                         std::size_t allocated) {
    return decodeWidgetSharedState(json, allocated, nullptr);
}

std::optional<WidgetSharedState> decodeWidgetSharedState(std::string_view json,
                                                         std::size_t allocated,
                                                         std::shared_ptr<const void> owner) {
    if (allocated < json.size() + stateJsonPadding)
        return decodeWidgetSharedState(json);
    return decodePadded(json, allocated, owner);
}

}  // namespace sonaris::state
