#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <thread>

#include "cli/virtual_display.hpp"
#include "cli/x_connection.hpp"
#include "host/system/host_session.hpp"

namespace sonaris::testing {
namespace {

using Clock = std::chrono::steady_clock;

// The window's pixels once it shows a picture (not one flat colour, as before its first paint)
// and three captures a while apart agree, so that the latest paint has landed.
std::string settledPixels(XConnection& x, XWindow window) {
    auto flat = [](const std::string& pixels) {
        return pixels.size() <= 4 ||
               pixels.compare(4, pixels.size() - 4, pixels, 0, pixels.size() - 4) == 0;
    };
    std::string last = x.pixels(window);
    int agreeing = 0;
    for (int i = 0; i < 200 && agreeing < 2; ++i) {
        std::this_thread::sleep_for(50ms);
        std::string now = x.pixels(window);
        agreeing = now == last && !flat(now) ? agreeing + 1 : 0;
        last = std::move(now);
    }
    return last;
}

TEST(HostAndWidget, TheLiveWidgetShowsThePlayersNewTitle) {
    HostSession session;
    if (!session.hasBus())
        GTEST_SKIP() << "no private session bus";
    auto display = VirtualDisplay::start();
    if (!display)
        GTEST_SKIP() << "Xvfb is not available";
    XConnection x(display->name());
    ASSERT_TRUE(x.connected());

    // Paused, so that no position refresh repaints the widget between the changes measured.
    auto title = [](const std::string& text) {
        return "{\"PlaybackStatus\": [\"s\", \"Paused\"], \"Metadata\": [\"a{sv}\", "
               "{\"xesam:title\": [\"s\", \"" +
               text +
               "\"], \"xesam:artist\": [\"s\", \"A\"], "
               "\"mpris:length\": [\"x\", 200000000]}]}";
    };
    auto player = session.startFakePlayer("e2e", title("Первый"));
    auto host = session.startHost();
    ASSERT_TRUE(player && host);
    ASSERT_TRUE(session.waitForState([](const auto& s) { return s.title == "Первый"; }));

    ProcessOptions options;
    options.arguments = {"run", "--family", "medium"};
    options.environment = session.environment();
    options.environment["DISPLAY"] = display->name();
    options.workingFolder = session.home().path();
    auto widget = BackgroundProcess::start(SONARIS_BINARY, options);
    ASSERT_TRUE(widget);
    auto window = x.waitForWindow("Sonaris", 10s);
    ASSERT_TRUE(window) << widget->errorOutput();

    std::string before = settledPixels(x, *window);
    std::vector<long> latencies;
    for (int i = 0; i < 5; ++i) {
        std::string next = "Трек " + std::to_string(i);
        auto start = Clock::now();
        ASSERT_TRUE(session.setFake("e2e", title(next)));
        // A repaint counts once the new state is there to be drawn.
        bool shown = waitUntil(
            [&] {
                auto state = session.readState();
                return state && state->title == next && x.pixels(*window) != before;
            },
            10s);
        auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        ASSERT_TRUE(shown) << next << " never reached the screen; widget: " << widget->errorOutput()
                           << "host: " << host->errorOutput();
        auto state = session.readState();
        ASSERT_TRUE(state);
        EXPECT_EQ(state->title, next);
        latencies.push_back(took.count());
        before = settledPixels(x, *window);
    }
    std::sort(latencies.begin(), latencies.end());
    std::cout << "player's title change to widget pixels (dbus-send included), median of 5: "
              << latencies[2] << " ms (least " << latencies.front() << ", most " << latencies.back()
              << ")\n";
    RecordProperty("playerToPixelsMedianMilliseconds", static_cast<int>(latencies[2]));
}

}  // namespace
}  // namespace sonaris::testing
