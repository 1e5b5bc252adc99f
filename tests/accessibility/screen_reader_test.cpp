#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <iostream>
#include <thread>

#include "cli/cli_support.hpp"
#include "cli/virtual_display.hpp"
#include "wayland/sway_session.hpp"

namespace sonaris::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view containerFolder =
    "Library/Containers/com.tavrin.sonaris.widget/Data/Documents";

std::string state(std::string_view title) {
    return std::string("{\"isPlaying\": true, \"title\": \"") + std::string(title) +
           "\", \"artist\": \"The Band\", \"album\": \"LP\", \"duration\": 200, "
           "\"currentTime\": 50, \"mediaKind\": \"music\", \"hasArtwork\": false, "
           "\"recentTracks\": [], \"updatedAt\": 786000000}";
}

std::string sessionBusConfiguration(const std::filesystem::path& socket) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
           "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><listen>unix:path=" +
           socket.string() +
           "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow "
           "send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow "
           "own=\"*\"/></policy></busconfig>\n";
}

// A private session bus with the accessibility launcher on it, as a desktop with assistive
// technology turned on has; the widget and the reader both find the accessibility bus through
// it. The registry starts on demand on that bus.
class ScreenReader : public ::testing::Test {
  protected:
    void SetUp() override {
        home_.write(std::filesystem::path(containerFolder) / "widget_state.json",
                    state("First Song"));
        bin_.write("xdg-open",
                   "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" >> '" + opened().string() + "'\n");
        std::filesystem::permissions(bin_.path() / "xdg-open", std::filesystem::perms::owner_all);
        std::filesystem::create_directories(home_.path() / "run");
        std::filesystem::permissions(home_.path() / "run", std::filesystem::perms::owner_all);

        // A session bus that starts no service on demand: the launcher is there when a test
        // starts it, and not otherwise, whatever this machine has installed.
        const auto socket = home_.path() / "bus";
        home_.write("bus.conf", sessionBusConfiguration(socket));
        ProcessOptions bus;
        bus.arguments = {"--config-file=" + (home_.path() / "bus.conf").string(), "--nofork",
                         "--nopidfile"};
        bus.environment = baseEnvironment(home_.path());
        if (auto daemon = BackgroundProcess::start("/usr/bin/dbus-daemon", bus))
            bus_.emplace(std::move(*daemon));
        ASSERT_TRUE(bus_);
        busAddress_ = "unix:path=" + socket.string();

        ProcessOptions launcher;
        launcher.arguments = {"--launch-immediately", "--a11y=1"};
        launcher.environment = environment();
        // Its settings stay in memory: the launcher writes them when a reader turns it on.
        launcher.environment["GSETTINGS_BACKEND"] = "memory";
        if (auto started = BackgroundProcess::start("/usr/libexec/at-spi-bus-launcher", launcher))
            launcher_.emplace(std::move(*started));
        ASSERT_TRUE(launcher_);
        ProcessOptions ask;
        ask.arguments = {"--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                         "org.a11y.Bus.GetAddress"};
        ask.environment = environment();
        ask.timeout = 5s;
        // It can take seconds to come up on a loaded machine.
        bool up = false;
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!up && std::chrono::steady_clock::now() < deadline) {
            up = std::filesystem::exists(socket) &&
                 runProcess("/usr/bin/dbus-send", ask).exitStatus == 0;
            if (!up)
                std::this_thread::sleep_for(50ms);
        }
        ASSERT_TRUE(up) << "the accessibility launcher did not come up";
    }

    std::filesystem::path opened() const { return bin_.path() / "opened"; }

    Environment environment() const {
        auto environment = baseEnvironment(home_.path());
        environment["DBUS_SESSION_BUS_ADDRESS"] = busAddress_;
        environment["XDG_RUNTIME_DIR"] = (home_.path() / "run").string();
        environment["LANGUAGE"] = "en";
        environment["PATH"] = bin_.path().string() + ":/usr/bin:/bin";
        return environment;
    }

    BackgroundProcess startWidget(const Environment& environment, const std::string& backend,
                                  const std::string& family) {
        ProcessOptions options;
        options.arguments = {"run", "--backend", backend,    "--family", family, "--scale",
                             "1",   "--anchor",  "top-left", "--margin", "20,30"};
        options.environment = environment;
        options.workingFolder = home_.path();
        auto widget = BackgroundProcess::start(SONARIS_BINARY, options);
        EXPECT_TRUE(widget);
        return std::move(*widget);
    }

    // The reader's walk, clicks and rewrite; its findings and failures on failure.
    // `large`: the large family, whose history rows come and go.
    void read(const Environment& environment, std::vector<std::string> window, bool relative,
              const std::string& buttons, bool large) {
        ProcessOptions options;
        options.arguments = {SONARIS_ACCESSIBILITY_TEST_DIR "/atspi_reader.py",
                             "--title",
                             "First Song",
                             "--artist",
                             "The Band",
                             "--progress",
                             "50",
                             "200",
                             "--buttons",
                             buttons,
                             "--click",
                             "Next",
                             "--expect-url",
                             "sonaris://next",
                             "--opened-file",
                             opened().string(),
                             "--state",
                             (home_.path() / containerFolder / "widget_state.json").string(),
                             "--new-title",
                             "Second Song",
                             "--hostile",
                             "--toggle",
                             "--window"};
        options.arguments.insert(options.arguments.end(), window.begin(), window.end());
        if (relative)
            options.arguments.push_back("--relative");
        if (large)
            options.arguments.push_back("--add-rows");
        options.environment = environment;
        options.timeout = 90s;
        const auto result = runProcess("/usr/bin/python3", options);
        EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
        // What the reader found, the time a rewrite took to reach it among it.
        std::cout << result.out;
    }

    ScratchFolder home_;
    ScratchFolder bin_;
    std::optional<BackgroundProcess> bus_;
    std::optional<BackgroundProcess> launcher_;
    std::string busAddress_;
};

TEST_F(ScreenReader, ReadsAndDrivesTheWidgetOnX11) {
    auto display = VirtualDisplay::start();
    if (!display)
        GTEST_SKIP() << "no Xvfb";
    auto env = environment();
    env["DISPLAY"] = display->name();
    auto widget = startWidget(env, "x11", "large");
    // X11 gives the window's place: extents are on the screen, within the window there.
    read(env, {"20", "30", "364", "382"}, false,
         "Previous,Pause,Next,Record screen,Record audio,Editor", true);
    EXPECT_EQ(widget.stop(SIGTERM, 10s), 0) << widget.errorOutput();
    EXPECT_EQ(widget.errorOutput(), "");
}

TEST_F(ScreenReader, ReadsAndDrivesTheWidgetOnWayland) {
    auto started = SwaySession::start({1280, 720, 1});
    if (auto* reason = std::get_if<std::string>(&started))
        GTEST_SKIP() << "sway cannot run here: " << *reason;
    auto sway = std::move(std::get<std::unique_ptr<SwaySession>>(started));
    // The bus's address names its socket: sway's runtime folder does not hide it.
    const auto env = sway->clientEnvironment(environment());
    auto widget = startWidget(env, "wayland", "medium");
    // A surface has no place a client is told: extents are the surface's own.
    read(env, {"0", "0", "364", "170"}, true, "Previous,Pause,Next,Record screen,Record audio",
         false);
    EXPECT_EQ(widget.stop(SIGTERM, 10s), 0) << widget.errorOutput();
}

// Without an accessibility bus the widget says nothing of it.
TEST_F(ScreenReader, WithoutALauncherTheWidgetIsSilent) {
    launcher_.reset();
    auto display = VirtualDisplay::start();
    if (!display)
        GTEST_SKIP() << "no Xvfb";
    auto env = environment();
    env["DISPLAY"] = display->name();
    auto widget = startWidget(env, "x11", "medium");
    std::this_thread::sleep_for(1500ms);
    EXPECT_TRUE(widget.running());
    EXPECT_EQ(widget.stop(SIGTERM, 10s), 0);
    EXPECT_EQ(widget.errorOutput(), "");
}

}  // namespace
}  // namespace sonaris::testing
