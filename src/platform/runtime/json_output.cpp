#include "platform/runtime/json_output.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ostream>

#include "platform/runtime/family_names.hpp"

namespace sonaris::platform::runtime {

std::string jsonNumber(double value) {
    if (!std::isfinite(value))
        return "null";
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string jsonString(std::string_view text) {
    std::string result = "\"";
    for (char c : text) {
        switch (c) {
            case '"':
                result += "\\\"";
                break;
            case '\\':
                result += "\\\\";
                break;
            case '\n':
                result += "\\n";
                break;
            case '\r':
                result += "\\r";
                break;
            case '\t':
                result += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
                    result += escape;
                } else {
                    result += c;
                }
        }
    }
    result += '"';
    return result;
}

namespace {

void writeEntryObject(std::ostream& out, const AnyEntry& entry,
                      std::optional<std::string> reloadDate) {
    out << "{\"date\": " << jsonNumber(entry.date.timeIntervalSinceReferenceDate);
    if (reloadDate)
        out << ", \"reloadDate\": " << *reloadDate;
    if (entry.writeJsonMembers) {
        out << ", ";
        entry.writeJsonMembers(out);
    }
    out << '}';
}

}  // namespace

void writeEntryJson(std::ostream& out, const AnyEntry& entry) {
    writeEntryObject(out, entry, std::nullopt);
}

void writeTimelineEntryJson(std::ostream& out, const AnyEntry& entry,
                            std::optional<foundation::Date> reloadDate) {
    writeEntryObject(
        out, entry,
        reloadDate ? jsonNumber(reloadDate->timeIntervalSinceReferenceDate) : std::string("null"));
}

std::string configurationJson(const WidgetConfiguration& configuration) {
    std::string json = "{\"kind\": " + jsonString(configuration.kind) +
                       ", \"displayName\": " + jsonString(configuration.displayName) +
                       ", \"description\": " + jsonString(configuration.descriptionText) +
                       ", \"supportedFamilies\": [";
    for (std::size_t i = 0; i < configuration.families.size(); ++i) {
        if (i > 0)
            json += ", ";
        json += jsonString(familyName(configuration.families[i]));
    }
    json += "]}";
    return json;
}

}  // namespace sonaris::platform::runtime
