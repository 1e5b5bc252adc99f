#include <gtest/gtest.h>
#include <simdjson.h>

#include <chrono>
#include <cmath>

#include "cli/cli_support.hpp"

namespace sonaris::testing {
namespace {

double secondsSinceReferenceDate() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count() - 978307200.0;
}

TEST(EntryCommands, PrintOneObjectEachWithTheHostsState) {
    ScratchFolder home;
    home.write(std::string(supportFolder) + "/widget_state.json", hostState("Соната", true));
    struct Case {
        std::string command;
        bool hasReloadDate;
        std::string title;
    };
    const std::vector<Case> cases = {
        {"timeline", true, "Соната"},
        {"snapshot", false, "Соната"},
        {"placeholder", false, "Sonaris"},
    };
    for (const auto& c : cases) {
        auto before = secondsSinceReferenceDate();
        auto result = runWidget(home, {c.command});
        auto after = secondsSinceReferenceDate();
        ASSERT_EQ(result.exitStatus, 0) << c.command << ": " << result.err;
        EXPECT_EQ(result.err, "");
        ASSERT_TRUE(isOneLine(result.out)) << result.out;

        simdjson::dom::parser parser;
        simdjson::dom::object object;
        ASSERT_EQ(parser.parse(result.out).get(object), simdjson::SUCCESS) << result.out;
        double date = 0;
        ASSERT_EQ(object["date"].get(date), simdjson::SUCCESS) << result.out;
        EXPECT_GE(date, std::floor(before) - 1) << c.command;
        EXPECT_LE(date, after + 1) << c.command;

        double reloadDate = 0;
        auto reload = object["reloadDate"].get(reloadDate);
        if (c.hasReloadDate) {
            ASSERT_EQ(reload, simdjson::SUCCESS) << result.out;
            EXPECT_NEAR(reloadDate - date, 900, 5);
        } else {
            EXPECT_EQ(reload, simdjson::NO_SUCH_FIELD) << result.out;
        }
        std::string_view title;
        ASSERT_EQ(object["state"]["title"].get(title), simdjson::SUCCESS) << result.out;
        EXPECT_EQ(title, c.title) << c.command;
        EXPECT_TRUE(object["artwork"].is_null()) << result.out;
    }
}

// With no host files the built-in state speaks the desktop's language through the labels'
// catalogue; a Russian desktop, or one whose language has no catalogue, keeps it as written.
TEST(EntryCommands, TheBuiltInStateIsInTheDesktopsLanguage) {
    ScratchFolder home;
    struct Case {
        const char* language;  // LANGUAGE; empty: unset (the C locale alone)
        const char* artist;
        const char* firstRow;
    };
    const Case cases[] = {
        {"", "Готов к воспроизведению", "Новая запись экрана"},
        {"ru", "Готов к воспроизведению", "Новая запись экрана"},
        {"de", "Готов к воспроизведению", "Новая запись экрана"},
        {"en", "Ready to play", "New screen recording"},
    };
    for (const auto& c : cases) {
        ProcessOptions options;
        options.arguments = {"snapshot"};
        options.environment = baseEnvironment(home.path());
        if (*c.language)
            options.environment["LANGUAGE"] = c.language;
        auto result = runProcess(SONARIS_BINARY, options);
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        simdjson::dom::parser parser;
        simdjson::dom::object state;
        ASSERT_EQ(parser.parse(result.out)["state"].get(state), simdjson::SUCCESS) << result.out;
        std::string_view artist;
        std::string_view firstRow;
        ASSERT_EQ(state["artist"].get(artist), simdjson::SUCCESS);
        ASSERT_EQ(state["recentTracks"].at(0)["title"].get(firstRow), simdjson::SUCCESS);
        EXPECT_EQ(artist, c.artist) << c.language;
        EXPECT_EQ(firstRow, c.firstRow) << c.language;
    }
}

TEST(EntryCommands, BadHostFilesAreNoError) {
    ScratchFolder home;
    home.write(std::string(supportFolder) + "/widget_state.json", "{\"isPlaying\": tru");
    home.write(std::string(supportFolder) + "/widget_cover.jpg", "not a picture");
    for (std::string command : {"timeline", "snapshot", "tree", "render"}) {
        auto result = runWidget(home, {command, "--family", "small"});
        EXPECT_EQ(result.exitStatus, 0) << command << ": " << result.err;
        EXPECT_EQ(result.err, "") << command;
    }
    auto timeline = runWidget(home, {"timeline"});
    EXPECT_NE(timeline.out.find("\"artwork\": null"), std::string::npos) << timeline.out;
}

TEST(EntryCommands, ConfigDeclaresTheWidget) {
    ScratchFolder home;
    auto result = runWidget(home, {"config"});
    ASSERT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out,
              "{\"kind\": \"com.tavrin.sonaris.widget\", \"displayName\": \"Sonaris\", "
              "\"description\": \"Управление воспроизведением и быстрые студийные инструменты "
              "Tavrin.\", \"supportedFamilies\": [\"systemSmall\", \"systemMedium\", "
              "\"systemLarge\"]}\n");
}

TEST(EntryCommands, UsageErrorsExitTwoWithOneLine) {
    ScratchFolder home;
    const std::vector<std::vector<std::string>> cases = {
        {"frobnicate"},
        {"render", "--family", "huge"},
        {"render", "--scale", "0"},
        {"render", "--scale"},
        {"render", "--size", "12"},
        {"render", "--size", "-3x5"},
        {"tree", "--family", "all"},
        {"tap", "--family", "small"},
        {"tap", "--family", "small", "10"},
        {"timeline", "--verbose"},
        {"config", "now"},
    };
    for (const auto& arguments : cases) {
        auto result = runWidget(home, arguments);
        EXPECT_EQ(result.exitStatus, 2) << ::testing::PrintToString(arguments);
        EXPECT_EQ(result.out, "") << ::testing::PrintToString(arguments);
        EXPECT_TRUE(isOneLine(result.err)) << result.err;
        EXPECT_TRUE(result.err.starts_with("sonaris-widget: ")) << result.err;
    }
    EXPECT_EQ(folderContents(home.path()), std::set<std::string>{});
}

TEST(EntryCommands, HelpAndVersionSucceed) {
    ScratchFolder home;
    auto help = runWidget(home, {"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_NE(help.out.find("render"), std::string::npos);
    auto version = runWidget(home, {"--version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_TRUE(version.out.starts_with("sonaris-widget ")) << version.out;
}

TEST(EntryCommands, OutputThatCannotBeWrittenExitsOne) {
    ScratchFolder home;
    ProcessOptions options;
    options.arguments = {"timeline"};
    options.environment = baseEnvironment(home.path());
    options.workingFolder = home.path();
    options.standardOutput = "/dev/full";
    auto result = runProcess(SONARIS_BINARY, options);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_TRUE(isOneLine(result.err)) << result.err;
}

}  // namespace
}  // namespace sonaris::testing
