#include "platform/ui/json_writer.hpp"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace sonaris::platform::ui {

void JsonWriter::separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasMember_.empty()) {
        if (hasMember_.back())
            text_ += ',';
        hasMember_.back() = true;
    }
}

void JsonWriter::beginObject() {
    separate();
    text_ += '{';
    hasMember_.push_back(false);
}

void JsonWriter::endObject() {
    assert(!hasMember_.empty());
    hasMember_.pop_back();
    text_ += '}';
}

void JsonWriter::beginArray() {
    separate();
    text_ += '[';
    hasMember_.push_back(false);
}

void JsonWriter::endArray() {
    assert(!hasMember_.empty());
    hasMember_.pop_back();
    text_ += ']';
}

JsonWriter& JsonWriter::key(std::string_view name) {
    string(name);
    text_ += ':';
    afterKey_ = true;
    return *this;
}

void JsonWriter::string(std::string_view text) {
    separate();
    text_ += '"';
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                text_ += "\\\"";
                break;
            case '\\':
                text_ += "\\\\";
                break;
            case '\n':
                text_ += "\\n";
                break;
            case '\r':
                text_ += "\\r";
                break;
            case '\t':
                text_ += "\\t";
                break;
            case '\b':
                text_ += "\\b";
                break;
            case '\f':
                text_ += "\\f";
                break;
            default:
                if (byte < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                    text_ += escaped;
                } else {
                    text_ += c;
                }
        }
    }
    text_ += '"';
}

void JsonWriter::number(double value) {
    if (!std::isfinite(value)) {
        null();
        return;
    }
    separate();
    if (value == 0)
        value = 0;  // no "-0"
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text_.append(buffer, result.ptr);
}

void JsonWriter::boolean(bool value) {
    separate();
    text_ += value ? "true" : "false";
}

void JsonWriter::null() {
    separate();
    text_ += "null";
}

}  // namespace sonaris::platform::ui
