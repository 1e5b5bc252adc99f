#include "platform/cli/json_output.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace sonaris::platform::cli {

using namespace runtime;
namespace {

TEST(JsonOutput, NumbersReadBackExactlyAndStayJson) {
    for (double value : {0.0, 1.0, -2.5, 786000000.123456789, 0.1, 1e-7, 1e300, 123456789012.75}) {
        std::string text = jsonNumber(value);
        EXPECT_EQ(std::stod(text), value) << text;
    }
    EXPECT_EQ(jsonNumber(786000000.5), "786000000.5");
    EXPECT_EQ(jsonNumber(std::nan("")), "null");
    EXPECT_EQ(jsonNumber(std::numeric_limits<double>::infinity()), "null");
}

TEST(JsonOutput, StringsEscapeQuotesBackslashesAndControls) {
    EXPECT_EQ(jsonString("Соната \"№1\"\\\n\x01"), "\"Соната \\\"№1\\\"\\\\\\n\\u0001\"");
}

std::string entryJson(const AnyEntry& entry) {
    std::ostringstream out;
    writeEntryJson(out, entry);
    return out.str();
}

std::string timelineEntryJson(const AnyEntry& entry, std::optional<foundation::Date> reloadDate) {
    std::ostringstream out;
    writeTimelineEntryJson(out, entry, reloadDate);
    return out.str();
}

TEST(JsonOutput, EntryFormsDifferOnlyInTheReloadDate) {
    AnyEntry entry{
        {100.25}, {}, [](std::ostream& out) { out << "\"state\": {}, \"artwork\": null"; }};
    EXPECT_EQ(timelineEntryJson(entry, foundation::Date{1000.5}),
              "{\"date\": 100.25, \"reloadDate\": 1000.5, \"state\": {}, \"artwork\": null}");
    EXPECT_EQ(timelineEntryJson(entry, std::nullopt),
              "{\"date\": 100.25, \"reloadDate\": null, \"state\": {}, \"artwork\": null}");
    EXPECT_EQ(entryJson(entry), "{\"date\": 100.25, \"state\": {}, \"artwork\": null}");
    EXPECT_EQ(entryJson(AnyEntry{{3}, {}, {}}), "{\"date\": 3}");
}

TEST(JsonOutput, ConfigurationListsFamiliesByFullName) {
    WidgetConfiguration configuration;
    configuration.kind = "com.example.widget";
    configuration.displayName = "Sonaris";
    configuration.descriptionText = "Одно \"предложение\".";
    configuration.families = {ui::WidgetFamily::systemSmall, ui::WidgetFamily::systemMedium,
                              ui::WidgetFamily::systemLarge};
    EXPECT_EQ(configurationJson(configuration),
              "{\"kind\": \"com.example.widget\", \"displayName\": \"Sonaris\", \"description\": "
              "\"Одно \\\"предложение\\\".\", \"supportedFamilies\": [\"systemSmall\", "
              "\"systemMedium\", \"systemLarge\"]}");
}

}  // namespace
}  // namespace sonaris::platform::cli
