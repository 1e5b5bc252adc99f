#include "platform/runtime/json_output.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

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

std::string entryObject(const AnyEntry& entry, std::optional<std::string> reloadDate) {
    std::string json = "{\"date\": " + jsonNumber(entry.date.timeIntervalSinceReferenceDate);
    if (reloadDate)
        json += ", \"reloadDate\": " + *reloadDate;
    if (!entry.jsonMembers.empty())
        json += ", " + entry.jsonMembers;
    json += "}";
    return json;
}

}  // namespace

std::string entryJson(const AnyEntry& entry) {
    return entryObject(entry, std::nullopt);
}

std::string timelineEntryJson(const AnyEntry& entry, std::optional<foundation::Date> reloadDate) {
    return entryObject(entry, reloadDate ? jsonNumber(reloadDate->timeIntervalSinceReferenceDate)
                                         : std::string("null"));
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
