#include <gtest/gtest.h>

#include "host/players/player_choice.hpp"
#include "host/players/player_control.hpp"
#include "host/players/player_name.hpp"

namespace sonaris::host::players {
namespace {

constexpr auto playing = PlaybackStatus::playing;
constexpr auto paused = PlaybackStatus::paused;
constexpr auto stopped = PlaybackStatus::stopped;

TEST(PlayerName, MatchesTheApplicationAndItsInstancesOnly) {
    struct Case {
        const char* name;
        const char* player;
        bool matches;
    } cases[] = {
        {"mpv", "mpv", true},   {"mpv", "mpv.instance1234", true}, {"mp", "mpv", false},
        {"mpv", "mpvx", false}, {"mpv.instance1", "mpv", false},   {"", "mpv", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nameMatches(c.name, c.player), c.matches) << c.name << " / " << c.player;
    EXPECT_EQ(playerNameOf("org.mpris.MediaPlayer2.vlc"), "vlc");
    EXPECT_FALSE(playerNameOf("org.mpris.MediaPlayer2."));
    EXPECT_FALSE(playerNameOf("org.freedesktop.Notifications"));
}

TEST(PlayerChoice, FollowsTheRulesOfPreference) {
    struct Case {
        const char* what;
        std::vector<PlayerStanding> players;
        ChoiceRules rules;
        std::optional<std::string> current;
        std::optional<std::string> expected;
    } cases[] = {
        {"nobody", {}, {}, std::nullopt, std::nullopt},
        {"the playing one wins", {{"a", paused, 5}, {"b", playing, 1}}, {}, "a", "b"},
        {"between two playing, the most recent to change",
         {{"a", playing, 3}, {"b", playing, 4}},
         {},
         "a",
         "b"},
        {"none playing: the current one stays",
         {{"a", paused, 1}, {"b", stopped, 9}},
         {},
         "a",
         "a"},
        {"none playing and the current gone: the most recent",
         {{"a", paused, 1}, {"b", stopped, 9}},
         {},
         "c",
         "b"},
        {"ignored players never count",
         {{"mpv.instance7", playing, 9}, {"vlc", paused, 1}},
         {{}, {"mpv"}},
         std::nullopt,
         "vlc"},
        {"only ignored players: nothing",
         {{"mpv", playing, 9}},
         {{}, {"mpv"}},
         std::nullopt,
         std::nullopt},
        {"a pinned player wins over a playing one",
         {{"firefox", playing, 9}, {"mpv", paused, 1}},
         {{"mpv"}, {}},
         std::nullopt,
         "mpv"},
        {"pins in order of preference",
         {{"mpv", playing, 9}, {"vlc", paused, 1}},
         {{"vlc", "mpv"}, {}},
         std::nullopt,
         "vlc"},
        {"unpinned players never count",
         {{"firefox", playing, 9}},
         {{"mpv"}, {}},
         std::nullopt,
         std::nullopt},
        {"a playing placeholder without a track never wins over a paused track",
         {{"firefox.instance2", playing, 9, false}, {"mpv", paused, 1}},
         {},
         "mpv",
         "mpv"},
        {"nor does a new one when the track's player is gone",
         {{"chromium.instance3", stopped, 9, false}, {"vlc", stopped, 1}},
         {},
         "mpv",
         "vlc"},
        {"placeholders only: still one of them",
         {{"chromium.instance3", playing, 9, false}},
         {},
         std::nullopt,
         "chromium.instance3"},
        {"playerctld mirrors another player and is not followed",
         {{"playerctld", playing, 9}, {"spotify", playing, 1}},
         {},
         std::nullopt,
         "spotify"},
        {"unless it is asked for",
         {{"playerctld", playing, 1}, {"spotify", playing, 9}},
         {{"playerctld"}, {}},
         std::nullopt,
         "playerctld"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(choosePlayer(c.players, c.rules, c.current), c.expected) << c.what;
}

TEST(PlayerControl, RespectsWhatThePlayerAllows) {
    auto with = [](auto change) {
        PlayerProperties properties;
        change(properties);
        return properties;
    };
    auto method = [](ControlAction action, const PlayerProperties& properties) {
        auto result = controlMethod(action, properties, "mpv");
        return std::holds_alternative<std::string>(result) ? std::get<std::string>(result)
                                                           : std::string("refused");
    };
    PlayerProperties all;
    EXPECT_EQ(method(ControlAction::toggle, all), "PlayPause");
    EXPECT_EQ(method(ControlAction::play, all), "Play");
    EXPECT_EQ(method(ControlAction::prev, all), "Previous");
    EXPECT_EQ(method(ControlAction::next, all), "Next");

    auto noControl = with([](auto& p) { p.canControl = false; });
    for (auto action : {ControlAction::toggle, ControlAction::play, ControlAction::next})
        EXPECT_EQ(method(action, noControl), "refused");
    auto playingNoPause = with([](auto& p) {
        p.status = PlaybackStatus::playing;
        p.canPause = false;
    });
    EXPECT_EQ(method(ControlAction::toggle, playingNoPause), "refused");
    auto pausedNoPause = with([](auto& p) { p.canPause = false; });
    EXPECT_EQ(method(ControlAction::toggle, pausedNoPause), "PlayPause");
    EXPECT_EQ(method(ControlAction::next, with([](auto& p) { p.canGoNext = false; })), "refused");
    EXPECT_EQ(method(ControlAction::prev, with([](auto& p) { p.canGoPrevious = false; })),
              "refused");
    EXPECT_EQ(method(ControlAction::play, with([](auto& p) { p.canPlay = false; })), "refused");
    EXPECT_EQ(controlActionNamed("toggle"), ControlAction::toggle);
    EXPECT_FALSE(controlActionNamed("record-screen"));
}

}  // namespace
}  // namespace sonaris::host::players
