#include <gtest/gtest.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <thread>

#include "host/system/host_session.hpp"

namespace sonaris::testing {
namespace {

using Clock = std::chrono::steady_clock;

std::string playing(const std::string& title, const std::string& status = "Playing",
                    const std::string& more = "") {
    return "{\"PlaybackStatus\": [\"s\", \"" + status +
           "\"], \"Metadata\": [\"a{sv}\", {\"xesam:title\": [\"s\", \"" + title +
           "\"], \"mpris:length\": [\"x\", 200000000]" + (more.empty() ? "" : ", " + more) + "}]}";
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Counts the times a file is replaced in its folder (the host renames each new version in).
class ReplacementCounter {
  public:
    explicit ReplacementCounter(const std::filesystem::path& file)
        : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), name_(file.filename()) {
        inotify_add_watch(fd_, file.parent_path().c_str(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~ReplacementCounter() { close(fd_); }
    int count() {
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;)
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<inotify_event*>(p);
                count_ += event->len > 0 && name_ == event->name;
                p += sizeof(inotify_event) + event->len;
            }
        return count_;
    }

  private:
    int fd_;
    std::string name_;
    int count_ = 0;
};

class HostFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!session_.hasBus())
            GTEST_SKIP() << "no private session bus (run under dbus-run-session)";
    }

    ProcessResult callStorm(const std::string& method, std::vector<std::string> arguments = {}) {
        ProcessOptions options;
        options.arguments = {"--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.storm",
                             "/org/mpris/MediaPlayer2", "com.tavrin.sonaris.StormPlayer." + method};
        options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
        options.environment = session_.environment();
        options.timeout = 10s;
        return runProcess("/usr/bin/dbus-send", options);
    }

    // The number of tracks the storm announced, once it is over.
    std::optional<unsigned> waitForStormEnd() {
        std::optional<unsigned> sent;
        waitUntil(
            [&] {
                auto out = callStorm("Progress").out;
                auto count = out.find("uint32 ");
                if (out.find("boolean true") == std::string::npos || count == std::string::npos)
                    return false;
                sent = std::stoul(out.substr(count + 7));
                return true;
            },
            60s);
        return sent;
    }

    HostSession session_;
};

// A player announcing thousands of new tracks a second once made the host write and flush its
// history for each, inside the bus handler, and drain every message before anything else: it
// answered nothing, ignored SIGTERM and never caught up.
// Tracks a second in the storm. A host built with AddressSanitizer handles messages several
// times slower, and beside the suite's other tests it would fall behind a storm the released
// host keeps up with, its status call queued behind the storm for good; a fifth of it still
// storms.
#if defined(SONARIS_SANITIZED)
constexpr const char* stormRate = "uint32:1000";
#else
constexpr const char* stormRate = "uint32:5000";
#endif

TEST_F(HostFaults, AStormOfNewTracksNeverStopsTheHost) {
    ProcessOptions options;
    options.arguments = {SONARIS_HOST_TEST_DIR "/storm_player.py", "storm"};
    options.environment = session_.environment();
    auto player = BackgroundProcess::start("/usr/bin/python3", options);
    auto host = session_.startHost();
    ASSERT_TRUE(player && host);
    ASSERT_TRUE(session_.waitForState([](const auto& s) { return s.title == "calm"; }))
        << host->errorOutput();

    ASSERT_EQ(callStorm("Storm", {stormRate, "double:4"}).exitStatus, 0);
    std::this_thread::sleep_for(1500ms);
    // `status` gives up on the host after 3 s; under the sanitizers on a loaded machine the
    // host's answer can take longer, so it is asked up to three times (before the storm was
    // bounded it never answered at all).
    auto status = session_.runHost({"status"});
    for (int again = 0; again < 2 && status.exitStatus != 0; ++again)
        status = session_.runHost({"status"});
    EXPECT_EQ(status.exitStatus, 0) << status.err;
    EXPECT_NE(status.out.find("\"chosen\":\"storm\""), std::string::npos) << status.out;
    auto sent = waitForStormEnd();
    ASSERT_TRUE(sent);
    std::string last = "storm " + std::to_string(*sent);
    EXPECT_TRUE(session_.waitForState([&](const auto& s) { return s.title == last; }, 10s))
        << "never caught up with " << last;
    auto history = readText(session_.home().path() / ".local/state/sonaris/history.json");
    EXPECT_NE(history.find("\"storm "), std::string::npos) << history;

    // In the middle of the next storm, SIGTERM still ends it, with a last state not playing.
    ASSERT_EQ(callStorm("Storm", {stormRate, "double:10"}).exitStatus, 0);
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(host->stop(SIGTERM, 5s), 0);
    auto state = session_.readState();
    ASSERT_TRUE(state);
    EXPECT_FALSE(state->isPlaying);
}

// Identical metadata sent again (some players do every second) is no news to the widget.
TEST_F(HostFaults, MetadataSentAgainIsNotWrittenAgain) {
    auto player = session_.startFakePlayer("same", playing("Same", "Paused"));
    auto host = session_.startHost();
    ASSERT_TRUE(player && host);
    ASSERT_TRUE(session_.waitForState([](const auto& s) { return s.title == "Same"; }));
    std::this_thread::sleep_for(300ms);
    ReplacementCounter writes(session_.statePath());
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(session_.setFake("same", playing("Same", "Paused")));
        std::this_thread::sleep_for(200ms);
    }
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(writes.count(), 0);
    ASSERT_TRUE(session_.setFake("same", playing("Other", "Paused")));
    EXPECT_TRUE(session_.waitForState([](const auto& s) { return s.title == "Other"; }));
    EXPECT_GE(writes.count(), 1);
}

// A cover that cannot be written (a full disk, here a file size limit) must not leave the last
// track's picture beside the new title.
TEST_F(HostFaults, ACoverThatCannotBeWrittenIsNotShownAtAll) {
    auto art = session_.home().path() / "art";
    std::filesystem::create_directories(art);
    ProcessOptions convert;
    convert.environment = session_.environment();
    convert.arguments = {"-size", "64x64", "gradient:red-blue", (art / "small.jpg").string()};
    bool small = runProcess("/usr/bin/convert", convert).exitStatus == 0;
    convert.arguments = {
        "-size", "700x700", "xc:", "+noise", "Random", (art / "noise.jpg").string()};
    if (!small || runProcess("/usr/bin/convert", convert).exitStatus != 0)
        GTEST_SKIP() << "ImageMagick is not available";

    ProcessOptions options;
    // 48 kB at most per file: the state fits, a noisy cover does not. The signal that would kill
    // the host at the limit is ignored, so writes fail as on a full disk.
    options.arguments = {"-c", "trap '' XFSZ; ulimit -f 96; exec \"$0\"", SONARIS_HOST_BINARY};
    options.environment = session_.environment();
    auto host = BackgroundProcess::start("/bin/sh", options);
    auto artUrl = [&](const char* file) {
        return "\"mpris:artUrl\": [\"s\", \"file://" + (art / file).string() + "\"]";
    };
    auto player = session_.startFakePlayer("full", playing("One", "Playing", artUrl("small.jpg")));
    ASSERT_TRUE(host && player);
    auto state = session_.waitForState([](const auto& s) { return s.title == "One"; });
    ASSERT_TRUE(state) << host->errorOutput();
    ASSERT_TRUE(state->hasArtwork);
    ASSERT_TRUE(std::filesystem::exists(session_.coverPath()));

    ASSERT_TRUE(session_.setFake("full", playing("Two", "Playing", artUrl("noise.jpg"))));
    state = session_.waitForState([](const auto& s) { return s.title == "Two"; });
    ASSERT_TRUE(state) << host->errorOutput();
    EXPECT_FALSE(state->hasArtwork);
    EXPECT_FALSE(std::filesystem::exists(session_.coverPath()));
    EXPECT_NE(host->errorOutput().find("widget_cover.jpg"), std::string::npos);
    EXPECT_TRUE(host->running());
}

// Control characters in what a player sends never reach the state, nor the terminal through
// `open`'s message.
TEST_F(HostFaults, ControlCharactersNeverReachTheStateOrTheTerminal) {
    auto player = session_.startFakePlayer(
        "ctl", playing("A\\u001b[31mB\\u0007\\u0085 \\u200f\\ud83c\\udfb5", "Paused",
                       "\"xesam:artist\": [\"s\", \"Line\\nbreak\"]"));
    auto host = session_.startHost();
    ASSERT_TRUE(player && host);
    auto state = session_.waitForState([](const auto& s) { return s.title.view().starts_with("A"); });
    ASSERT_TRUE(state) << host->errorOutput();
    EXPECT_EQ(state->title, "A[31mB \u200f\U0001F3B5");
    EXPECT_EQ(state->artist, "Line break");

    auto open = session_.runHost({"open", "sonaris://x\n\x1b[2J\x07\\"});
    EXPECT_EQ(open.exitStatus, 2);
    EXPECT_EQ(open.err, "sonaris-host: not a sonaris link: sonaris://x\\n\\x1b[2J\\x07\\\\\n");
}

// A player that quits leaves a state at the position of that moment, not of the last refresh.
TEST_F(HostFaults, APlayerThatQuitsLeavesItsPositionOfThatMoment) {
    auto initial = playing("Going");
    initial.insert(1, "\"Position\": [\"x\", 10000000], ");
    auto player = session_.startFakePlayer("quits", initial);
    auto host = session_.startHost({"--progress-interval", "60"});
    ASSERT_TRUE(player && host);
    ASSERT_TRUE(session_.waitForState([](const auto& s) { return s.isPlaying; }));
    auto start = Clock::now();
    std::this_thread::sleep_for(2500ms);
    player->stop(SIGKILL, 5s);
    auto state = session_.waitForState([](const auto& s) { return !s.isPlaying; });
    double played = std::chrono::duration<double>(Clock::now() - start).count();
    ASSERT_TRUE(state);
    EXPECT_GE(state->currentTime, 12.3);
    EXPECT_LE(state->currentTime, 10 + played + 0.3);
}

// The live files go to the session's runtime folder (made private: see HostFilesWriter's tests);
// nothing appears under ~/Library then.
// What a killed host left half-written goes at the next start, and only that; a history with a
// bad row keeps its good ones, and the user hears of it.
TEST_F(HostFaults, StartsCleanInTheRuntimeFolderAndKeepsWhatItCanOfTheHistory) {
    auto live = session_.liveFolder();
    auto stateFolder = session_.home().path() / ".local/state/sonaris";
    std::filesystem::create_directories(live);
    std::filesystem::create_directories(stateFolder);
    auto old = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5);
    for (auto path : {live / ".widget_state.json.Ab12Cd", live / ".widget_cover.jpg.x9Y8z7",
                      stateFolder / ".history.json.QwErTy", live / "notes.txt",
                      live / ".widget_state.json.tmp"}) {
        std::ofstream(path) << "left";
        std::filesystem::last_write_time(path, old);
    }
    std::ofstream(stateFolder / "history.json")
        << "{\"recentTracks\":[{\"title\":\"Kept\",\"artist\":\"\",\"durationText\":\"\","
           "\"path\":\"\"},{\"title\":2}]}";

    auto player = session_.startFakePlayer("clean", playing("Now", "Paused"));
    auto host = session_.startHost();
    ASSERT_TRUE(player && host);
    auto state = session_.waitForState([](const auto& s) { return s.title == "Now"; });
    ASSERT_TRUE(state) << host->errorOutput();
    ASSERT_EQ(state->recentTracks.size(), 1u);
    EXPECT_EQ(state->recentTracks[0].title, "Kept");
    EXPECT_TRUE(waitUntil([&] { return !host->errorOutput().empty(); }, 5s));
    EXPECT_NE(host->errorOutput().find("skipped 1 row"), std::string::npos) << host->errorOutput();

    EXPECT_FALSE(std::filesystem::exists(live / ".widget_state.json.Ab12Cd"));
    EXPECT_FALSE(std::filesystem::exists(live / ".widget_cover.jpg.x9Y8z7"));
    EXPECT_FALSE(std::filesystem::exists(stateFolder / ".history.json.QwErTy"));
    EXPECT_TRUE(std::filesystem::exists(live / "notes.txt"));
    EXPECT_TRUE(std::filesystem::exists(live / ".widget_state.json.tmp"));
    EXPECT_FALSE(std::filesystem::exists(session_.home().path() / "Library"));
    EXPECT_EQ(host->stop(SIGTERM, 5s), 0);

    // Without a runtime folder the files go where they always went.
    ProcessOptions options;
    options.environment = session_.environment();
    options.environment.erase("XDG_RUNTIME_DIR");
    auto before = BackgroundProcess::start(SONARIS_HOST_BINARY, options);
    ASSERT_TRUE(before);
    EXPECT_TRUE(waitUntil(
        [&] { return std::filesystem::exists(session_.containerFolder() / "widget_state.json"); },
        10s));
}

// Two sessions of one user: two buses, two hosts, one history file. Each keeps the other's rows.
TEST_F(HostFaults, TwoSessionsOfOneUserKeepEachOthersHistory) {
    auto socket = session_.home().path() / "second-bus";
    ProcessOptions busOptions;
    busOptions.arguments = {"--session", "--nofork", "--nopidfile",
                            "--address=unix:path=" + socket.string()};
    busOptions.environment = session_.environment();
    auto secondBus = BackgroundProcess::start("/usr/bin/dbus-daemon", busOptions);
    ASSERT_TRUE(secondBus && waitUntil([&] { return std::filesystem::exists(socket); }, 10s));
    auto second = session_.environment();
    second["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + socket.string();
    second["XDG_RUNTIME_DIR"] = (session_.home().path() / "second-run").string();
    std::filesystem::create_directory(second["XDG_RUNTIME_DIR"]);

    auto firstHost = session_.startHost();
    ProcessOptions hostOptions;
    hostOptions.environment = second;
    auto secondHost = BackgroundProcess::start(SONARIS_HOST_BINARY, hostOptions);
    auto firstPlayer = session_.startFakePlayer("one", playing("First A", "Paused"));
    ProcessOptions playerOptions;
    playerOptions.arguments = {SONARIS_HOST_TEST_DIR "/fake_player.py", "two",
                               playing("Second A", "Paused")};
    playerOptions.environment = second;
    auto secondPlayer = BackgroundProcess::start("/usr/bin/python3", playerOptions);
    ASSERT_TRUE(firstHost && secondHost && firstPlayer && secondPlayer);
    ASSERT_TRUE(session_.waitForState([](const auto& s) { return s.title == "First A"; }));
    auto secondState =
        std::filesystem::path(second["XDG_RUNTIME_DIR"]) / "sonaris/widget_state.json";
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(secondState); }, 10s));

    // Each session moves on to a second track, so each has one row to write.
    ASSERT_TRUE(session_.setFake("one", playing("First B", "Paused")));
    ProcessOptions send;
    send.arguments = {"--session",
                      "--print-reply",
                      "--dest=org.mpris.MediaPlayer2.two",
                      "/org/mpris/MediaPlayer2",
                      "com.tavrin.sonaris.FakePlayer.Set",
                      "string:" + playing("Second B", "Paused")};
    send.environment = second;
    ASSERT_EQ(runProcess("/usr/bin/dbus-send", send).exitStatus, 0);
    auto history = session_.home().path() / ".local/state/sonaris/history.json";
    EXPECT_TRUE(waitUntil(
        [&] {
            auto text = readText(history);
            return text.find("First A") != std::string::npos &&
                   text.find("Second A") != std::string::npos;
        },
        10s))
        << readText(history);
}

}  // namespace
}  // namespace sonaris::testing
