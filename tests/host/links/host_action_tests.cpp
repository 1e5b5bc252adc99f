#include <gtest/gtest.h>

#include <string>

#include "host/links/host_action.hpp"

namespace sonaris::host::links {
namespace {

TEST(HostActionTest, EachOfTheSevenURLsRoundTripsAndIsSortedIntoPlayerOrTool) {
    struct Case {
        std::string url;
        HostAction action;
        bool player;
    };
    const Case cases[] = {
        {"sonaris://toggle", HostAction::toggle, true},
        {"sonaris://play", HostAction::play, true},
        {"sonaris://prev", HostAction::prev, true},
        {"sonaris://next", HostAction::next, true},
        {"sonaris://record-screen", HostAction::recordScreen, false},
        {"sonaris://record-audio", HostAction::recordAudio, false},
        {"sonaris://editor", HostAction::editor, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        ASSERT_EQ(hostActionFor(c.url), c.action);
        EXPECT_EQ(urlOf(c.action), c.url);
        EXPECT_EQ(isPlayerAction(c.action), c.player);
    }
    // Schemes and hosts compare without case.
    EXPECT_EQ(hostActionFor("SONARIS://toggle"), HostAction::toggle);
    EXPECT_EQ(hostActionFor("Sonaris://Record-Screen"), HostAction::recordScreen);
}

TEST(HostActionTest, NearMissesAreNotActions) {
    const char* misses[] = {
        "",
        "sonaris://",
        "sonaris:",
        "SONARIS://toggle/",
        "sonaris://Toggle ",
        "sonaris://tögle",
        "sonaris://toggle/",
        "sonaris://toggle?x=1",
        "sonaris://toggle#top",
        "sonaris:toggle",
        "sonaris:///toggle",
        " sonaris://toggle",
        "sonaris://toggle ",
        "http://toggle",
        "sonarisx://play",
        "sonaris://record_screen",
        "sonaris://record-screen2",
        "sonaris://pause",
    };
    for (const char* url : misses) {
        SCOPED_TRACE(url);
        EXPECT_FALSE(hostActionFor(url).has_value());
    }
    // An embedded NUL must not cut the comparison short.
    EXPECT_FALSE(hostActionFor(std::string("sonaris://play\0x", 16)).has_value());
}

}  // namespace
}  // namespace sonaris::host::links
