#include "platform/cli/json_output.hpp"

#include <ostream>

#include "platform/runtime/family_names.hpp"
#include "platform/ui/json_writer.hpp"

namespace sonaris::platform::cli {

using namespace runtime;

// One writer for every JSON text the program prints, so escaping and number forms agree.
std::string jsonNumber(double value) {
    ui::JsonWriter writer;
    writer.number(value);
    return writer.text();
}

std::string jsonString(std::string_view text) {
    ui::JsonWriter writer;
    writer.string(text);
    return writer.text();
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

}  // namespace sonaris::platform::cli
