#include "platform/runtime/family_names.hpp"

#include <array>

namespace sonaris::platform::runtime {

namespace {

using ui::WidgetFamily;

struct FamilyNames {
    WidgetFamily family;
    std::string_view name;
    std::string_view shortName;
};

constexpr std::array<FamilyNames, 7> names{{
    {WidgetFamily::systemSmall, "systemSmall", "small"},
    {WidgetFamily::systemMedium, "systemMedium", "medium"},
    {WidgetFamily::systemLarge, "systemLarge", "large"},
    {WidgetFamily::systemExtraLarge, "systemExtraLarge", "extraLarge"},
    {WidgetFamily::accessoryCircular, "accessoryCircular", "accessoryCircular"},
    {WidgetFamily::accessoryRectangular, "accessoryRectangular", "accessoryRectangular"},
    {WidgetFamily::accessoryInline, "accessoryInline", "accessoryInline"},
}};

const FamilyNames& namesOf(WidgetFamily family) {
    for (const auto& entry : names)
        if (entry.family == family)
            return entry;
    return names.front();
}

}  // namespace

std::optional<WidgetFamily> familyNamed(std::string_view name) {
    // Only the three desktop sizes can be asked for; the others exist for other platforms.
    for (const auto& entry : names) {
        if (entry.family != WidgetFamily::systemSmall &&
            entry.family != WidgetFamily::systemMedium && entry.family != WidgetFamily::systemLarge)
            continue;
        if (name == entry.name || name == entry.shortName)
            return entry.family;
    }
    return std::nullopt;
}

std::string_view familyName(WidgetFamily family) {
    return namesOf(family).name;
}

std::string_view familyShortName(WidgetFamily family) {
    return namesOf(family).shortName;
}

ui::Size defaultSize(WidgetFamily family) {
    switch (family) {
        case WidgetFamily::systemMedium:
            return {364, 170};
        case WidgetFamily::systemLarge:
            return {364, 382};
        case WidgetFamily::systemExtraLarge:
            return {768, 382};
        default:
            return {170, 170};
    }
}

}  // namespace sonaris::platform::runtime
