#include "platform/runtime/current_entry.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace sonaris::platform::runtime {
namespace {

using foundation::Date;

AnyEntry entryAt(double date, std::string name) {
    return AnyEntry{{date}, {}, [name](std::ostream& out) { out << name; }};
}

std::string nameOf(const AnyEntry& entry) {
    std::ostringstream out;
    entry.writeJsonMembers(out);
    return out.str();
}

WidgetConfiguration configurationWith(AnyTimeline timeline) {
    WidgetConfiguration configuration;
    configuration.placeholder = [](const TimelineProviderContext&) {
        return entryAt(0, "placeholder");
    };
    configuration.timeline = [timeline](const TimelineProviderContext&) { return timeline; };
    return configuration;
}

TEST(CurrentEntry, ShowsTheLatestEntryAlreadyDueElseTheEarliest) {
    struct Case {
        std::vector<AnyEntry> entries;
        double now;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{entryAt(100, "a")}, 100, "a"},
        {{entryAt(100, "a")}, 50, "a"},
        {{entryAt(100, "a"), entryAt(300, "c"), entryAt(200, "b")}, 250, "b"},
        {{entryAt(100, "a"), entryAt(300, "c"), entryAt(200, "b")}, 400, "c"},
        {{entryAt(300, "c"), entryAt(200, "b")}, 10, "b"},
        {{}, 10, "placeholder"},
    };
    for (const auto& c : cases) {
        auto configuration = configurationWith({c.entries, TimelineReloadPolicy::never()});
        auto current = requestTimeline(configuration, {}, Date{c.now});
        EXPECT_EQ(nameOf(current.entry), c.expected) << c.now;
    }
}

TEST(CurrentEntry, ReloadDateFollowsThePolicy) {
    std::vector<AnyEntry> entries = {entryAt(100, "a"), entryAt(300, "c"), entryAt(200, "b")};
    EXPECT_EQ(reloadDate({entries, TimelineReloadPolicy::after(Date{1000})}), Date{1000});
    EXPECT_EQ(reloadDate({entries, TimelineReloadPolicy::atEnd()}), Date{300});
    EXPECT_EQ(reloadDate({entries, TimelineReloadPolicy::never()}), std::nullopt);
    EXPECT_EQ(reloadDate({{}, TimelineReloadPolicy::atEnd()}), std::nullopt);
}

}  // namespace
}  // namespace sonaris::platform::runtime
