#include "platform/desktop/widget_settings.hpp"

#include <gtest/gtest.h>

#include "platform/cli/command_line.hpp"
#include "platform/runtime/scratch_folder.hpp"

namespace sonaris::platform::desktop {
namespace {

using ui::WidgetFamily;

class WidgetSettings : public ::testing::Test {
  protected:
    std::variant<LiveWidgetChoice, UsageError> choose(std::vector<std::string_view> arguments) {
        auto parsed = cli::parseCommandLine(arguments);
        return chooseLiveWidget(std::get<cli::Invocation>(parsed).liveWidgetOptions(), file());
    }
    std::string errorOf(std::vector<std::string_view> arguments) {
        auto chosen = choose(std::move(arguments));
        auto* error = std::get_if<UsageError>(&chosen);
        return error ? error->message : "(no error)";
    }
    std::filesystem::path file() const { return folder_.path() / "widget.toml"; }
    void write(std::string_view text) { folder_.write("widget.toml", text); }

    testing::ScratchFolder folder_;
};

TEST_F(WidgetSettings, TakesTheNamedTableAndLetsTheCommandLineWin) {
    write(R"(# two widgets side by side
[medium]
family = "medium"
anchor = "top-right"
margin = [24, 24]
output = "DP-1"
scale = 1.5
backend = "x11"

[small]
family = "small"
size = [200, 180]
anchor = "bottom-left"
margin = [404.5, 24]
)");
    auto medium = std::get<LiveWidgetChoice>(choose({"--name", "medium"}));
    EXPECT_EQ(medium.request.family, WidgetFamily::systemMedium);
    EXPECT_EQ(medium.request.points, (ui::Size{364, 170}));
    EXPECT_EQ(medium.request.scale, 1.5);
    EXPECT_EQ(medium.request.placement,
              (Placement{Anchor::topRight, {24, 24}, std::string("DP-1")}));
    EXPECT_EQ(medium.backend, Backend::x11);

    auto small = std::get<LiveWidgetChoice>(
        choose({"--name", "small", "--anchor", "top", "--output", "HDMI-1", "--scale", "2"}));
    EXPECT_EQ(small.request.points, (ui::Size{200, 180}));
    EXPECT_EQ(small.request.scale, 2);
    EXPECT_EQ(small.request.placement,
              (Placement{Anchor::top, {404.5, 24}, std::string("HDMI-1")}));
    EXPECT_EQ(small.backend, Backend::automatic);

    // Another family on the command line drops the size that was the file's for its own.
    auto large = std::get<LiveWidgetChoice>(choose({"--name", "small", "--family", "large"}));
    EXPECT_EQ(large.request.points, (ui::Size{364, 382}));

    // Without --name the [default] table applies when there is one, and nothing else does.
    auto plain = std::get<LiveWidgetChoice>(choose({"--margin", "1,2"}));
    EXPECT_EQ(plain.request.placement, (Placement{Anchor::center, {1, 2}, std::nullopt}));
    EXPECT_EQ(plain.request.scale, std::nullopt);
    write("[default]\nfamily = \"medium\"\nanchor = \"top-left\"\n");
    auto byDefault = std::get<LiveWidgetChoice>(choose({"--margin", "1,2"}));
    EXPECT_EQ(byDefault.request.family, WidgetFamily::systemMedium);
    EXPECT_EQ(byDefault.request.placement, (Placement{Anchor::topLeft, {1, 2}, std::nullopt}));
    std::filesystem::remove(file());
    EXPECT_TRUE(std::holds_alternative<LiveWidgetChoice>(choose({})));
    write("not toml [");
    EXPECT_NE(errorOf({}).find("widget.toml:1:"), std::string::npos);
}

TEST_F(WidgetSettings, RefusesWhatItCannotUseWithTheFileAndLine) {
    struct Case {
        std::string_view text;
        std::string_view messagePart;
    };
    const std::vector<Case> cases = {
        {"[w]\nanchor = \"top-right\"\nmargin = [1, 2\n", ":3:"},
        {"[w]\n\nanchor = \"north\"\n", ":3: anchor must be one of"},
        {"[w]\nfamily = 3\n", ":2: family must be one of"},
        {"[w]\nmargin = [1, -2]\n", ":2: margin must be [x, y]"},
        {"[w]\nmargin = [1]\n", ":2: margin must be [x, y]"},
        {"[w]\nmargin = \"1,2\"\n", ":2: margin must be [x, y]"},
        {"[w]\nsize = [0, 10]\n", ":2: size must be [x, y]"},
        {"[w]\nscale = 0\n", ":2: scale must be"},
        {"[w]\nscale = nan\n", ":2: scale must be"},
        {"[w]\noutput = \"\"\n", ":2: output must be"},
        {"[w]\nbackend = \"quartz\"\n", ":2: backend must be one of"},
        {"[w]\nanchr = \"top\"\n", ":2: unknown key 'anchr'"},
        {"w = 1\n", ":1: w must be a table"},
        {"[other]\n", "has no table [w]"},
        {"[w]\nsize = [9000, 9000]\nscale = 2\n", "16384"},
    };
    for (const auto& c : cases) {
        write(c.text);
        std::string message = errorOf({"--name", "w"});
        EXPECT_NE(message.find(c.messagePart), std::string::npos) << c.text << "\n" << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
    std::filesystem::remove(file());
    EXPECT_NE(errorOf({"--name", "w"}).find("there is no settings file"), std::string::npos);
}

}  // namespace
}  // namespace sonaris::platform::desktop
