#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <iostream>
#include <thread>

#include "host/system/host_session.hpp"
#include "platform/foundation/base64.hpp"

namespace sonaris::testing {
namespace {

// A fake player's property update: {"PlaybackStatus": ..., "Metadata": {...}} with the
// metadata's entries given as JSON text ("\"xesam:title\": [\"s\", \"x\"]").
std::string update(const std::string& status, const std::string& metadata,
                   const std::string& more = "") {
    std::string json = "{";
    if (!status.empty())
        json += "\"PlaybackStatus\": [\"s\", \"" + status + "\"]";
    if (!metadata.empty())
        json += std::string(json.size() > 1 ? ", " : "") + "\"Metadata\": [\"a{sv}\", {" +
                metadata + "}]";
    if (!more.empty())
        json += std::string(json.size() > 1 ? ", " : "") + more;
    return json + "}";
}

std::string titled(const std::string& title, const std::string& more = "") {
    return "\"xesam:title\": [\"s\", \"" + title + "\"]" + (more.empty() ? "" : ", " + more);
}

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class ScriptedPlayer : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!session_.hasBus())
            GTEST_SKIP() << "no private session bus (run under dbus-run-session)";
    }
    HostSession session_;
};

TEST_F(ScriptedPlayer, ToleratesWrongTypesAndPlayersThatDoNotSignalPosition) {
    auto host = session_.startHost();
    auto player = session_.startFakePlayer(
        "odd", update("Playing",
                      "\"xesam:title\": [\"i\", 5], \"xesam:url\": [\"s\", "
                      "\"file:///music/Tr%C3%A4ck.flac\"], \"xesam:artist\": [\"s\", \"Solo\"], "
                      "\"xesam:album\": [\"as\", [\"A\", \"B\"]], \"mpris:length\": [\"s\", \"x\"]",
                      "\"Rate\": [\"s\", \"fast\"], \"Position\": [\"x\", 30000000]"));
    ASSERT_TRUE(host && player);
    auto state = session_.waitForState([](const auto& s) { return s.isPlaying; });
    ASSERT_TRUE(state) << host->errorOutput();
    EXPECT_EQ(state->title, "Träck.flac");
    EXPECT_EQ(state->artist, "Solo");
    EXPECT_EQ(state->album, "A, B");
    EXPECT_EQ(state->duration, 0);
    EXPECT_NEAR(state->currentTime, 30, 2);

    // The player moves without a Seeked signal; a pause makes the host read where it is.
    ASSERT_TRUE(session_.setFake("odd", "{\"Position\": [\"x\", 100000000]}", true));
    ASSERT_TRUE(session_.setFake("odd", update("Paused", "")));
    state = session_.waitForState([](const auto& s) { return !s.isPlaying; });
    ASSERT_TRUE(state);
    EXPECT_NEAR(state->currentTime, 100, 0.5);

    // Metadata that is not a dictionary is ignored; the next good one shows.
    ASSERT_TRUE(session_.setFake("odd", "{\"Metadata\": [\"s\", \"garbage\"]}"));
    ASSERT_TRUE(session_.setFake("odd", update("", titled("Good again"))));
    EXPECT_TRUE(session_.waitForState([](const auto& s) { return s.title == "Good again"; }));
    EXPECT_TRUE(host->running());
    // The track before stays in the history, newest first.
    state = session_.readState();
    ASSERT_TRUE(state && !state->recentTracks.empty());
    EXPECT_EQ(state->recentTracks.front().title, "Träck.flac");
    EXPECT_EQ(state->recentTracks.front().path, "file:///music/Tr%C3%A4ck.flac");
}

TEST_F(ScriptedPlayer, WritesCoversFromDataAndLoopbackHttpAndRemovesOnlyItsOwn) {
    auto picture = session_.home().path() / "art/cover.jpg";
    std::filesystem::create_directories(picture.parent_path());
    if (!makePicture(picture, 1000, 700))
        GTEST_SKIP() << "ImageMagick is not available";
    auto bytes = readBytes(picture);
    std::string dataUrl = "data:image/jpeg;base64," +
                          platform::foundation::base64Encode(
                              reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    auto host = session_.startHost();
    auto player = session_.startFakePlayer(
        "art", update("Playing", titled("One", "\"mpris:artUrl\": [\"s\", \"" + dataUrl + "\"]")));
    ASSERT_TRUE(host && player);
    auto state = session_.waitForState([](const auto& s) { return s.title == "One"; });
    ASSERT_TRUE(state) << host->errorOutput();
    EXPECT_TRUE(state->hasArtwork);
    auto cover = readBytes(session_.coverPath());
    ASSERT_GE(cover.size(), 2u);
    EXPECT_EQ(cover.substr(0, 2), "\xFF\xD8");

    auto portFile = session_.home().path() / "port";
    ProcessOptions serverOptions;
    serverOptions.arguments = {SONARIS_HOST_TEST_DIR "/art_server.py", portFile.string(),
                               picture.parent_path().string()};
    serverOptions.environment = session_.environment();
    auto server = BackgroundProcess::start("/usr/bin/python3", serverOptions);
    ASSERT_TRUE(server && waitUntil([&] { return std::filesystem::exists(portFile); }));
    std::string http = "http://127.0.0.1:" + readBytes(portFile) + "/cover.jpg";
    std::filesystem::remove(session_.coverPath());  // so that the new one is seen to arrive
    ASSERT_TRUE(session_.setFake(
        "art", update("", titled("Two", "\"mpris:artUrl\": [\"s\", \"" + http + "\"]"))));
    state = session_.waitForState([](const auto& s) { return s.title == "Two"; });
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->hasArtwork);
    EXPECT_TRUE(std::filesystem::exists(session_.coverPath()));

    // No art: the host's cover goes, so no stale cover is shown.
    ASSERT_TRUE(session_.setFake("art", update("", titled("Three"))));
    state = session_.waitForState([](const auto& s) { return s.title == "Three"; });
    ASSERT_TRUE(state);
    EXPECT_FALSE(state->hasArtwork);
    EXPECT_FALSE(std::filesystem::exists(session_.coverPath()));

    // A cover someone else put there is not the host's to remove.
    std::ofstream(session_.coverPath()) << "not ours";
    ASSERT_TRUE(session_.setFake("art", update("", titled("Four"))));
    ASSERT_TRUE(session_.waitForState([](const auto& s) { return s.title == "Four"; }));
    EXPECT_EQ(readBytes(session_.coverPath()), "not ours");
}

TEST_F(ScriptedPlayer, HostileArtNeverHoldsUpOrBloatsTheHost) {
    auto fifo = session_.home().path() / "fifo.jpg";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto huge = session_.home().path() / "huge.jpg";
    std::filesystem::resize_file((std::ofstream(huge), huge), 2ull << 30);  // sparse
    auto portFile = session_.home().path() / "port";
    ProcessOptions serverOptions;
    serverOptions.arguments = {SONARIS_HOST_TEST_DIR "/art_server.py", portFile.string(),
                               session_.home().path().string()};
    serverOptions.environment = session_.environment();
    auto server = BackgroundProcess::start("/usr/bin/python3", serverOptions);
    ASSERT_TRUE(server && waitUntil([&] { return std::filesystem::exists(portFile); }));

    auto host = session_.startHost();
    auto player = session_.startFakePlayer("hostile", update("Playing", titled("start")));
    ASSERT_TRUE(host && player);
    ASSERT_TRUE(session_.waitForState([](const auto& s) { return s.title == "start"; }));
    // As large as one command-line argument of dbus-send may be; the host keeps 1 kB of it.
    std::string hugeTitle(120 << 10, 'x');
    std::vector<std::string> urls = {
        "file:///dev/zero",        "file://" + fifo.string(),
        "file://" + huge.string(), "http://127.0.0.1:" + readBytes(portFile) + "/endless",
        "gopher://127.0.0.1/x",    "file:///etc/shadow/../passwd"};
    for (std::size_t i = 0; i < urls.size(); ++i) {
        std::string title = "hostile " + std::to_string(i);
        ASSERT_TRUE(session_.setFake(
            "hostile",
            update("", titled(title, "\"mpris:artUrl\": [\"s\", \"" + urls[i] +
                                         "\"], \"xesam:album\": [\"s\", \"" + hugeTitle + "\"]"))));
        auto state = session_.waitForState([&](const auto& s) { return s.title == title; }, 10s);
        ASSERT_TRUE(state) << urls[i] << ": " << host->errorOutput();
        EXPECT_FALSE(state->hasArtwork) << urls[i];
        EXPECT_LE(state->album.size(), 4096u);
    }
    EXPECT_TRUE(host->running());
    long peak = peakResidentKilobytes(host->pid());
    std::cout << "host peak resident size after hostile art: " << peak << " kB\n";
    EXPECT_LT(peak, 96 * 1024);
}

TEST_F(ScriptedPlayer, PlayersComingAndGoingFastLeaveTheTruth) {
    auto host = session_.startHost();
    ASSERT_TRUE(host);
    for (int i = 0; i < 8; ++i) {
        auto brief = session_.startFakePlayer("brief" + std::to_string(i),
                                              update("Playing", titled("brief")));
        ASSERT_TRUE(brief);
        if (i % 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(30 * i));
        brief->stop(SIGKILL, 5s);
    }
    auto last = session_.startFakePlayer("last", update("Playing", titled("Last")));
    ASSERT_TRUE(last);
    ASSERT_TRUE(session_.waitForState([](const auto& s) {
        return s.title == "Last" && s.isPlaying;
    })) << host->errorOutput();
    last->stop(SIGKILL, 5s);
    EXPECT_TRUE(session_.waitForState([](const auto& s) { return !s.isPlaying; }));
    auto status = session_.runHost({"status"});
    EXPECT_EQ(status.exitStatus, 0);
    EXPECT_EQ(status.out, "{\"players\":[],\"chosen\":null}\n");
    EXPECT_TRUE(host->running());
    EXPECT_EQ(host->stop(SIGTERM, 10s), 0);
}

TEST_F(ScriptedPlayer, LinksReachThePlayerThroughTheHostOrDirectly) {
    auto player = session_.startFakePlayer(
        "links", update("Playing", titled("x"), "\"CanGoPrevious\": [\"b\", false]"));
    ASSERT_TRUE(player);
    ASSERT_TRUE(waitUntil([&] {
        return session_.fakeCalls("links").empty() &&
               session_.runHost({"status"}).out.find("links") != std::string::npos;
    }));
    // No host running: straight to the player.
    EXPECT_EQ(session_.runHost({"open", "sonaris://next"}).exitStatus, 0);
    auto refused = session_.runHost({"open", "sonaris://prev"});
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_TRUE(refused.err.starts_with("sonaris-host: ")) << refused.err;
    EXPECT_EQ(session_.fakeCalls("links"), "Next\n");

    auto host = session_.startHost();
    ASSERT_TRUE(host);
    ASSERT_TRUE(session_.waitForState([](const auto& s) { return s.isPlaying; }));
    for (const char* url : {"sonaris://toggle", "sonaris://play"})
        EXPECT_EQ(session_.runHost({"open", url}).exitStatus, 0) << url;
    EXPECT_EQ(session_.runHost({"open", "sonaris://prev"}).exitStatus, 1);
    EXPECT_TRUE(waitUntil([&] { return session_.fakeCalls("links") == "Next\nPlayPause\nPlay\n"; }))
        << session_.fakeCalls("links");
    auto unknown = session_.runHost({"open", "sonaris://dance"});
    EXPECT_EQ(unknown.exitStatus, 2);
    auto status = session_.runHost({"status"});
    EXPECT_EQ(status.out,
              "{\"players\":[{\"name\":\"links\",\"status\":\"Playing\",\"title\":\"x\","
              "\"artist\":\"\"}],\"chosen\":\"links\"}\n");
    // A second host on the same bus would fight over the files: it refuses.
    auto second = session_.runHost({"run"});
    EXPECT_EQ(second.exitStatus, 1);
}

}  // namespace
}  // namespace sonaris::testing
