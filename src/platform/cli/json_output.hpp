#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/date.hpp"
#include "platform/runtime/widget_configuration.hpp"

namespace sonaris::platform::cli {

// A JSON number that reads back as the same double (the shortest such form); null when the
// value is not finite, which JSON cannot carry.
std::string jsonNumber(double value);

// A JSON string literal of UTF-8 text.
std::string jsonString(std::string_view text);

// {"date": D, <entry members>}, as a snapshot or a placeholder prints it.
void writeEntryJson(std::ostream& out, const runtime::AnyEntry& entry);

// {"date": D, "reloadDate": R, <entry members>}; R is null for a timeline that never reloads.
void writeTimelineEntryJson(std::ostream& out, const runtime::AnyEntry& entry,
                            std::optional<foundation::Date> reloadDate);

// {"kind", "displayName", "description", "supportedFamilies"}.
std::string configurationJson(const runtime::WidgetConfiguration& configuration);

}  // namespace sonaris::platform::cli
