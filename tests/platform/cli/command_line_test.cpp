#include "platform/cli/command_line.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace sonaris::platform::cli {

using namespace runtime;
namespace {

using ui::WidgetFamily;

std::variant<Invocation, UsageError> parse(std::vector<std::string_view> arguments) {
    return parseCommandLine(arguments);
}

struct ValidCase {
    std::vector<std::string_view> arguments;
    Command command;
    std::optional<WidgetFamily> family;
    bool allFamilies;
};

TEST(CommandLine, ReadsEachCommandAndItsFamily) {
    const std::vector<ValidCase> cases = {
        {{}, Command::run, std::nullopt, false},
        {{"run"}, Command::run, std::nullopt, false},
        {{"--family", "medium"}, Command::run, WidgetFamily::systemMedium, false},
        {{"render"}, Command::render, std::nullopt, true},
        {{"render", "--family", "all"}, Command::render, std::nullopt, true},
        {{"render", "--family", "large"}, Command::render, WidgetFamily::systemLarge, false},
        {{"render", "--family=systemSmall"}, Command::render, WidgetFamily::systemSmall, false},
        {{"--family", "all", "render"}, Command::render, std::nullopt, true},
        {{"render", "--family", "all", "--family", "small"},
         Command::render,
         WidgetFamily::systemSmall,
         false},
        {{"timeline"}, Command::timeline, std::nullopt, false},
        {{"snapshot"}, Command::snapshot, std::nullopt, false},
        {{"placeholder"}, Command::placeholder, std::nullopt, false},
        {{"tree", "--family", "systemMedium"}, Command::tree, WidgetFamily::systemMedium, false},
        {{"config"}, Command::config, std::nullopt, false},
        {{"--help"}, Command::help, std::nullopt, false},
        {{"render", "--help"}, Command::help, std::nullopt, false},
        {{"-h"}, Command::help, std::nullopt, false},
        {{"--version"}, Command::version, std::nullopt, false},
    };
    for (const auto& c : cases) {
        auto result = parse(c.arguments);
        auto* invocation = std::get_if<Invocation>(&result);
        ASSERT_NE(invocation, nullptr)
            << testing::PrintToString(c.arguments) << ": " << std::get<UsageError>(result).message;
        EXPECT_EQ(invocation->command, c.command) << testing::PrintToString(c.arguments);
        EXPECT_EQ(invocation->family, c.family) << testing::PrintToString(c.arguments);
        EXPECT_EQ(invocation->allFamilies, c.allFamilies) << testing::PrintToString(c.arguments);
    }
}

TEST(CommandLine, ReadsValuesInBothSpellings) {
    auto result = parse(
        {"render", "--scale=1.5", "--size", "200x100.5", "--out", "x/y.png", "--family", "small"});
    const auto& invocation = std::get<Invocation>(result);
    EXPECT_EQ(invocation.scale, 1.5);
    EXPECT_EQ(invocation.size, (ui::Size{200, 100.5}));
    EXPECT_EQ(invocation.out, std::filesystem::path("x/y.png"));
}

TEST(CommandLine, ReadsThePlacementOfTheLiveWidget) {
    auto invocation =
        std::get<Invocation>(parse({"--anchor", "bottom-right", "--margin=12,8.5", "--output",
                                    "DP-1", "--name", "medium", "--backend", "x11"}));
    EXPECT_EQ(invocation.command, Command::run);
    EXPECT_EQ(invocation.anchor, Anchor::bottomRight);
    EXPECT_EQ(invocation.margin, (ui::Point{12, 8.5}));
    EXPECT_EQ(invocation.output, "DP-1");
    EXPECT_EQ(invocation.name, "medium");
    EXPECT_EQ(invocation.backend, Backend::x11);
}

TEST(CommandLine, TapTakesTwoCoordinatesIncludingNegativeOnes) {
    auto result = parse({"tap", "--family", "medium", "12.5", "-3"});
    const auto& invocation = std::get<Invocation>(result);
    EXPECT_EQ(invocation.tapPoint, (ui::Point{12.5, -3}));
    EXPECT_EQ(invocation.family, WidgetFamily::systemMedium);

    auto beforeOptions = std::get<Invocation>(parse({"tap", "1", "2", "--family", "large"}));
    EXPECT_EQ(beforeOptions.tapPoint, (ui::Point{1, 2}));
}

struct InvalidCase {
    std::vector<std::string_view> arguments;
    std::string_view messagePart;
};

TEST(CommandLine, RejectsBadUsageWithAOneLineReason) {
    const std::vector<InvalidCase> cases = {
        {{"draw"}, "unknown command 'draw'"},
        {{"render", "--colour", "red"}, "unknown option '--colour'"},
        {{"render", "-x"}, "unknown option '-x'"},
        {{"render", "--family"}, "--family needs a value"},
        {{"render", "--family", "huge"}, "unknown family 'huge'"},
        {{"render", "--family", "extraLarge"}, "unknown family"},
        {{"render", "--family", "systemExtraLarge"}, "unknown family"},
        {{"tree", "--family", "all"}, "--family all is only for render"},
        {{"render", "--scale", "0"}, "--scale"},
        {{"render", "--scale", "-2"}, "--scale"},
        {{"render", "--scale", "two"}, "--scale"},
        {{"render", "--scale", "nan"}, "--scale"},
        {{"render", "--scale", "inf"}, "--scale"},
        {{"render", "--scale", "2x"}, "--scale"},
        {{"render", "--size", "100"}, "--size"},
        {{"render", "--size", "0x100"}, "--size"},
        {{"render", "--size", "100x-1"}, "--size"},
        {{"render", "--size", "x"}, "--size"},
        {{"render", "--out", ""}, "--out needs a path"},
        {{"render", "--out="}, "--out needs a path"},
        {{"render", "--size", "9000x9000"}, "16384"},
        {{"render", "--scale", "100"}, "16384"},
        {{"render", "--scale", "0.001"}, "under one pixel"},
        {{"render", "--size", "0.2x100"}, "under one pixel"},
        {{"run", "--scale", "1e-9"}, "under one pixel"},
        {{"tap"}, "tap needs the point"},
        {{"tap", "10"}, "tap needs the point"},
        {{"tap", "10", "20", "30"}, "tap needs the point"},
        {{"tap", "ten", "20"}, "tap needs two numbers"},
        {{"timeline", "extra"}, "unexpected argument 'extra'"},
        {{"timeline", "--out", "x"}, "--out does not apply to timeline"},
        {{"timeline", "--scale", "2"}, "--scale does not apply to timeline"},
        {{"config", "--family", "small"}, "--family does not apply to config"},
        {{"run", "--out", "x"}, "--out does not apply to run"},
        {{"run", "--anchor", "north"}, "unknown anchor 'north'"},
        {{"run", "--margin", "10"}, "--margin"},
        {{"run", "--margin", "10,-1"}, "--margin"},
        {{"run", "--margin", "1e9,0"}, "--margin"},
        {{"run", "--margin", "a,b"}, "--margin"},
        {{"run", "--output="}, "--output needs a name"},
        {{"run", "--backend", "quartz"}, "unknown backend 'quartz'"},
        {{"render", "--anchor", "top"}, "--anchor does not apply to render"},
        {{"tree", "--name", "medium"}, "--name does not apply to tree"},
    };
    for (const auto& c : cases) {
        auto result = parse(c.arguments);
        auto* error = std::get_if<UsageError>(&result);
        ASSERT_NE(error, nullptr) << testing::PrintToString(c.arguments);
        EXPECT_NE(error->message.find(c.messagePart), std::string::npos)
            << testing::PrintToString(c.arguments) << ": " << error->message;
        EXPECT_EQ(error->message.find('\n'), std::string::npos) << error->message;
    }
}

}  // namespace
}  // namespace sonaris::platform::cli
