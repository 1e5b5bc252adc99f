#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <sstream>

#include "host/system/host_session.hpp"

namespace sonaris::testing {
namespace {

class MpvPlayer : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!session_.hasBus())
            GTEST_SKIP() << "no private session bus";
        if (mprisPlugin().empty() || !std::filesystem::exists("/usr/bin/playerctl"))
            GTEST_SKIP() << "mpv-mpris or playerctl is not installed";
    }

    // playerctl's view of the player, one field a line.
    std::vector<std::string> playerctl(const std::string& format) const {
        ProcessOptions options;
        options.arguments = {"--player=mpv", "metadata", "--format", format};
        options.environment = session_.environment();
        options.timeout = 10s;
        std::istringstream out(runProcess("/usr/bin/playerctl", options).out);
        std::vector<std::string> lines;
        for (std::string line; std::getline(out, line);)
            lines.push_back(line);
        return lines;
    }

    HostSession session_;
};

TEST_F(MpvPlayer, WritesWhatPlayerctlSeesAndFollowsTheToggleLink) {
    auto song = session_.makeTaggedAudio("song.mp3", "Синусоида", 60);
    ASSERT_TRUE(song) << "mpv could not make a tagged file";
    makePicture(session_.home().path() / "cover.jpg", 300, 300);
    auto host = session_.startHost();
    auto mpv = session_.startMpv(*song);
    ASSERT_TRUE(host && mpv);
    // mpv-mpris offers the cover.jpg beside the file as the track's art.
    auto state = session_.waitForState([](const auto& s) {
        return s.isPlaying && s.title == "Синусоида" && s.duration > 0 && s.hasArtwork;
    });
    ASSERT_TRUE(state) << host->errorOutput();
    EXPECT_TRUE(std::filesystem::exists(session_.coverPath()));

    // The host's state against playerctl's reading of the same player, taken together.
    auto lines =
        playerctl("{{title}}\n{{artist}}\n{{album}}\n{{status}}\n{{mpris:length}}\n{{position}}");
    state = session_.readState();
    auto now = platform::foundation::Date::now();
    ASSERT_EQ(lines.size(), 6u);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->title, lines[0]);
    EXPECT_EQ(state->artist, lines[1]);
    EXPECT_EQ(state->album, lines[2]);
    EXPECT_EQ(lines[3], "Playing");
    EXPECT_NEAR(state->duration, std::stod(lines[4]) / 1e6, 0.01);
    double shown = state->currentTime + (now.timeIntervalSinceReferenceDate -
                                         state->updatedAt.timeIntervalSinceReferenceDate);
    EXPECT_NEAR(shown, std::stod(lines[5]) / 1e6, 1.0);
    EXPECT_EQ(state->mediaKind, "audio");

    // The widget's play/pause link pauses mpv, and the state follows.
    auto open = session_.runHost({"open", "sonaris://toggle"});
    EXPECT_EQ(open.exitStatus, 0) << open.err;
    EXPECT_TRUE(
        waitUntil([&] { return playerctl("{{status}}") == std::vector<std::string>{"Paused"}; }));
    EXPECT_TRUE(session_.waitForState([](const auto& s) { return !s.isPlaying; }));
    EXPECT_EQ(session_.runHost({"open", "sonaris://toggle"}).exitStatus, 0);
    EXPECT_TRUE(session_.waitForState([](const auto& s) { return s.isPlaying; }));

    // A player killed outright leaves a state that does not claim to play.
    mpv->stop(SIGKILL, 5s);
    EXPECT_TRUE(session_.waitForState([](const auto& s) { return !s.isPlaying; }));
    EXPECT_TRUE(host->running());
}

TEST_F(MpvPlayer, ThePlayingOneOfTwoIsChosen) {
    auto quiet = session_.makeTaggedAudio("quiet.mp3", "Paused one", 30);
    auto loud = session_.makeTaggedAudio("loud.mp3", "Playing one", 30);
    ASSERT_TRUE(quiet && loud);
    auto host = session_.startHost();
    auto paused = session_.startMpv(*quiet);
    ASSERT_TRUE(host && paused);
    ASSERT_TRUE(session_.waitForState(
        [](const auto& s) { return s.title == "Paused one" && s.isPlaying; }));
    // (mpv-mpris reports a player started with --pause as playing, so it is paused this way.)
    ASSERT_EQ(session_.runHost({"open", "sonaris://toggle"}).exitStatus, 0);
    ASSERT_TRUE(session_.waitForState(
        [](const auto& s) { return s.title == "Paused one" && !s.isPlaying; }));
    auto playing = session_.startMpv(*loud);
    ASSERT_TRUE(playing);
    EXPECT_TRUE(session_.waitForState(
        [](const auto& s) { return s.title == "Playing one" && s.isPlaying; }));
    // The playing one quits: the other is shown, not playing.
    playing->stop(SIGKILL, 5s);
    EXPECT_TRUE(session_.waitForState([](const auto& s) {
        return s.title == "Paused one" && !s.isPlaying;
    })) << session_.runHost({"status"}).out
        << session_.readState()->title;
    auto status = session_.runHost({"status"});
    EXPECT_NE(status.out.find("\"chosen\":\"mpv"), std::string::npos) << status.out;
}

}  // namespace
}  // namespace sonaris::testing
