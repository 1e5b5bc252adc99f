#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/cli_support.hpp"
#include "cli/virtual_display.hpp"
#include "cli/x_connection.hpp"

namespace sonaris::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int shapeBounding = 0;  // ShapeBounding and ShapeInput, kept out of Xlib's macros
constexpr int shapeInput = 2;

// Two monitors side by side on one 3840 × 1080 screen, LEFT the primary one.
class X11Desktop : public ::testing::Test {
  protected:
    void SetUp() override {
        display_ = VirtualDisplay::start("3840x1080x24");
        if (!display_)
            GTEST_SKIP() << "Xvfb is not available";
        x_.emplace(display_->name());
        ASSERT_TRUE(x_->connected());
        x_->addMonitors({{"LEFT", 0, 0, 1920, 1080}, {"RIGHT", 1920, 0, 1920, 1080}});
        // A stand-in URL handler that appends each URL it is given.
        bin_.write("xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + opened().string() + "'\n");
        std::filesystem::permissions(bin_.path() / "xdg-open", std::filesystem::perms::owner_all);
    }

    std::filesystem::path opened() const { return bin_.path() / "opened"; }

    std::optional<BackgroundProcess> startWidget(std::vector<std::string> arguments) {
        ProcessOptions options;
        options.arguments = std::move(arguments);
        options.environment = baseEnvironment(home_.path());
        options.environment["DISPLAY"] = display_->name();
        options.environment["XDG_CONFIG_HOME"] = (home_.path() / "settings").string();
        options.environment["PATH"] = bin_.path().string() + ":/usr/local/bin:/usr/bin:/bin";
        options.workingFolder = home_.path();
        return BackgroundProcess::start(SONARIS_BINARY, options);
    }

    // The window's origin once it stands at `expected`, or where it last was.
    std::pair<int, int> waitForOrigin(XWindow window, std::pair<int, int> expected) {
        auto deadline = Clock::now() + 10s;
        auto origin = x_->origin(window);
        while (origin != expected && Clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
            origin = x_->origin(window);
        }
        return origin;
    }

    std::string waitForErrorLine(BackgroundProcess& widget) {
        auto deadline = Clock::now() + 10s;
        std::string err = widget.errorOutput();
        while (err.find('\n') == std::string::npos && Clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
            err = widget.errorOutput();
        }
        return err;
    }

    void click(int x, int y) {
        ProcessOptions options;
        options.arguments = {"mousemove", std::to_string(x), std::to_string(y), "click", "1"};
        options.environment = baseEnvironment(home_.path());
        options.environment["DISPLAY"] = display_->name();
        options.timeout = 10s;
        ASSERT_EQ(runProcess("/usr/bin/xdotool", options).exitStatus, 0);
    }

    ScratchFolder home_;
    ScratchFolder bin_;
    std::optional<VirtualDisplay> display_;
    std::optional<XConnection> x_;
};

TEST_F(X11Desktop, StandsAtItsAnchorOnTheNamedMonitorAndMovesWhenItIsUnplugged) {
    home_.write("settings/sonaris/widget.toml", R"([medium]
family = "medium"
anchor = "top-right"
margin = [10, 20]
output = "RIGHT"
scale = 1
)");
    // The command line wins over the file.
    auto widget = startWidget({"run", "--name", "medium", "--anchor", "bottom-right"});
    ASSERT_TRUE(widget);
    auto window = x_->waitForWindow("Sonaris", 10s);
    ASSERT_TRUE(window) << widget->errorOutput();
    EXPECT_EQ(x_->size(*window), (std::pair{364, 170}));
    EXPECT_EQ(waitForOrigin(*window, {3840 - 364 - 10, 1080 - 170 - 20}),
              (std::pair{3840 - 364 - 10, 1080 - 170 - 20}));

    x_->unplug("RIGHT", 1920, 1080);
    EXPECT_EQ(waitForOrigin(*window, {1920 - 364 - 10, 1080 - 170 - 20}),
              (std::pair{1920 - 364 - 10, 1080 - 170 - 20}));
    std::string err = waitForErrorLine(*widget);
    EXPECT_TRUE(isOneLine(err)) << err;
    EXPECT_NE(err.find("no monitor named 'RIGHT'"), std::string::npos) << err;
    EXPECT_TRUE(widget->running());
    EXPECT_EQ(widget->stop(SIGTERM, 5s), 0);
}

TEST_F(X11Desktop, AnUnknownMonitorIsNamedAndThePrimaryOneTakenWithTheWidgetKeptOnIt) {
    auto widget = startWidget({"run", "--family", "small", "--scale", "2", "--output", "HDMI-9",
                               "--anchor", "top-left", "--margin", "5000,6"});
    ASSERT_TRUE(widget);
    auto window = x_->waitForWindow("Sonaris", 10s);
    ASSERT_TRUE(window) << widget->errorOutput();
    // Margins are in points, at the window's scale; one wider than the monitor leaves the
    // widget at its far edge.
    EXPECT_EQ(waitForOrigin(*window, {1920 - 340, 12}), (std::pair{1920 - 340, 12}));
    std::string err = waitForErrorLine(*widget);
    EXPECT_TRUE(isOneLine(err)) << err;
    EXPECT_NE(err.find("no monitor named 'HDMI-9' (there are: LEFT, RIGHT"), std::string::npos)
        << err;
    EXPECT_EQ(widget->stop(SIGTERM, 5s), 0);
}

TEST_F(X11Desktop, IsCutToTheCardAndOnlyTheCardTakesClicks) {
    auto widget = startWidget({"run", "--family", "small", "--scale", "1", "--anchor", "top-left"});
    ASSERT_TRUE(widget);
    auto window = x_->waitForWindow("Sonaris", 10s);
    ASSERT_TRUE(window) << widget->errorOutput();
    for (int kind : {shapeBounding, shapeInput}) {
        for (auto [x, y] : {std::pair{0, 0}, {169, 0}, {0, 169}, {169, 169}, {2, 3}})
            EXPECT_FALSE(x_->shapeHolds(*window, kind, x, y)) << kind << " " << x << "," << y;
        for (auto [x, y] : {std::pair{85, 85}, {0, 85}, {85, 0}, {169, 85}, {20, 20}})
            EXPECT_TRUE(x_->shapeHolds(*window, kind, x, y)) << kind << " " << x << "," << y;
    }

    // A click in a corner reaches the desktop, one on the card opens its URL. Were the corner's
    // opened too, its handler would run first, so by the time the card's has written its line
    // the corner's would show as well.
    auto tap = runWidget(home_, {"tap", "--family", "small", "85", "85"});
    ASSERT_FALSE(tap.out.empty());
    auto [originX, originY] = waitForOrigin(*window, {0, 0});
    click(originX + 2, originY + 2);
    click(originX + 85, originY + 85);
    // Until the handler has written its whole line.
    auto read = [&] {
        std::ifstream in(opened());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    };
    auto deadline = Clock::now() + 10s;
    while (read().find('\n') == std::string::npos && Clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(widget->stop(SIGTERM, 5s), 0);
    EXPECT_EQ(read(), tap.out);
}

TEST_F(X11Desktop, HasTransparentCornersUnderACompositor) {
    x_->claimCompositing();
    auto widget = startWidget({"run", "--family", "small", "--scale", "1"});
    ASSERT_TRUE(widget);
    auto window = x_->waitForWindow("Sonaris", 10s);
    ASSERT_TRUE(window) << widget->errorOutput();
    ASSERT_EQ(x_->depth(*window), 32);
    EXPECT_FALSE(x_->shapeHolds(*window, shapeInput, 1, 1));
    // Alpha is each pixel's fourth byte. The window is black until the first picture is there,
    // and no part of the widget's middle is.
    auto byte = [&](const std::string& pixels, int x, int y, int which) {
        return static_cast<unsigned char>(
            pixels[static_cast<std::size_t>(y * 170 + x) * 4 + which]);
    };
    auto alpha = [&](const std::string& pixels, int x, int y) { return byte(pixels, x, y, 3); };
    auto painted = [&](const std::string& pixels) {
        return pixels.size() == 170 * 170 * 4 &&
               byte(pixels, 85, 85, 0) + byte(pixels, 85, 85, 1) + byte(pixels, 85, 85, 2) > 0;
    };
    auto deadline = Clock::now() + 10s;
    std::string pixels = x_->pixels(*window);
    while (!painted(pixels) && Clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        pixels = x_->pixels(*window);
    }
    EXPECT_EQ(alpha(pixels, 85, 85), 255);
    EXPECT_EQ(alpha(pixels, 0, 0), 0);
    EXPECT_EQ(alpha(pixels, 169, 169), 0);
    EXPECT_EQ(alpha(pixels, 85, 0), 255);
    EXPECT_EQ(widget->stop(SIGTERM, 5s), 0);
}

TEST_F(X11Desktop, LeavesTheFocusAloneIgnoresKeysAndEndsWhenItsWindowIsClosed) {
    auto widget = startWidget({"run", "--family", "small", "--scale", "1"});
    ASSERT_TRUE(widget);
    auto window = x_->waitForWindow("Sonaris", 10s);
    ASSERT_TRUE(window) << widget->errorOutput();
    EXPECT_EQ(x_->inputHint(*window), false);
    auto protocols = x_->atomList(*window, "WM_PROTOCOLS");
    EXPECT_EQ(protocols, std::vector<std::string>{"WM_DELETE_WINDOW"});

    ProcessOptions key;
    key.arguments = {"mousemove", "85", "85", "key", "--window", std::to_string(*window), "Escape"};
    key.environment = baseEnvironment(home_.path());
    key.environment["DISPLAY"] = display_->name();
    key.timeout = 10s;
    ASSERT_EQ(runProcess("/usr/bin/xdotool", key).exitStatus, 0);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(widget->running()) << "a key ended the widget";

    x_->sendDeleteWindow(*window);
    auto deadline = Clock::now() + 5s;
    while (widget->running() && Clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(widget->running());
    EXPECT_EQ(widget->stop(SIGTERM, 5s), 0);
}

TEST_F(X11Desktop, FallsBackToTheShapeWhileNoCompositorRuns) {
    x_->claimCompositing();
    auto widget = startWidget({"run", "--family", "small", "--scale", "1"});
    ASSERT_TRUE(widget);
    auto window = x_->waitForWindow("Sonaris", 10s);
    ASSERT_TRUE(window) << widget->errorOutput();
    ASSERT_EQ(x_->depth(*window), 32);
    // The corner's pixel is in the window's outline exactly while a compositor shows it
    // transparent; without one it would be black.
    auto outlineHoldsCorner = [&](bool expected) {
        auto deadline = Clock::now() + 5s;
        while (x_->shapeHolds(*window, shapeBounding, 1, 1) != expected && Clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        return x_->shapeHolds(*window, shapeBounding, 1, 1);
    };
    EXPECT_TRUE(outlineHoldsCorner(true));
    x_->releaseCompositing();
    EXPECT_FALSE(outlineHoldsCorner(false));
    EXPECT_TRUE(x_->shapeHolds(*window, shapeBounding, 85, 85));
    x_->claimCompositing();
    EXPECT_TRUE(outlineHoldsCorner(true));
    EXPECT_EQ(widget->stop(SIGTERM, 5s), 0);
}

TEST_F(X11Desktop, FollowsAMonitorDeclaredWhileItRuns) {
    auto widget = startWidget(
        {"run", "--family", "small", "--scale", "1", "--anchor", "top-left", "--output", "TV"});
    ASSERT_TRUE(widget);
    auto window = x_->waitForWindow("Sonaris", 10s);
    ASSERT_TRUE(window) << widget->errorOutput();
    EXPECT_EQ(waitForOrigin(*window, {0, 0}), (std::pair{0, 0}));
    // `xrandr --setmonitor` alone: no output or screen changes with it.
    x_->addMonitors({{"TV", 2000, 100, 1280, 720}});
    EXPECT_EQ(waitForOrigin(*window, {2000, 100}), (std::pair{2000, 100}));
    EXPECT_EQ(widget->stop(SIGTERM, 5s), 0);
}

TEST_F(X11Desktop, AsksAgainToBeShownWhenAWindowManagerDroppedItsRequests) {
    x_->dropWindowRequests();
    auto widget = startWidget(
        {"run", "--family", "small", "--scale", "1", "--anchor", "top-left", "--margin", "30,40"});
    ASSERT_TRUE(widget);
    EXPECT_FALSE(x_->waitForWindow("Sonaris", 1s));
    x_->leaveWindowRequests();
    auto window = x_->waitForWindow("Sonaris", 10s);
    ASSERT_TRUE(window) << widget->errorOutput();
    EXPECT_EQ(waitForOrigin(*window, {30, 40}), (std::pair{30, 40}));
    EXPECT_EQ(widget->stop(SIGTERM, 5s), 0);
}

TEST_F(X11Desktop, ForcedBackendsNeedTheirDisplayAndWaylandFallsBackOnce) {
    struct Case {
        std::string backend;
        Environment display;
        std::string messagePart;
    };
    const std::vector<Case> cases = {
        {"wayland", {{"DISPLAY", display_->name()}}, "--backend wayland: no Wayland compositor"},
        {"x11", {{"WAYLAND_DISPLAY", "none-here"}}, "--backend x11: no X11 display"},
    };
    for (const auto& c : cases) {
        ProcessOptions options;
        options.arguments = {"run", "--backend", c.backend};
        options.environment = baseEnvironment(home_.path());
        options.environment["XDG_RUNTIME_DIR"] = home_.path().string();
        options.environment.insert(c.display.begin(), c.display.end());
        options.timeout = 20s;
        auto result = runProcess(SONARIS_BINARY, options);
        EXPECT_EQ(result.exitStatus, 2) << c.backend << ": " << result.err;
        EXPECT_TRUE(isOneLine(result.err)) << result.err;
        EXPECT_NE(result.err.find(c.messagePart), std::string::npos) << result.err;
    }

    // A Wayland display without a layer shell (here none at all): X11, said once.
    ProcessOptions options;
    options.arguments = {"run", "--family", "small"};
    options.environment = baseEnvironment(home_.path());
    options.environment["DISPLAY"] = display_->name();
    options.environment["WAYLAND_DISPLAY"] = "none-here";
    options.environment["XDG_RUNTIME_DIR"] = home_.path().string();
    auto widget = BackgroundProcess::start(SONARIS_BINARY, options);
    ASSERT_TRUE(widget);
    ASSERT_TRUE(x_->waitForWindow("Sonaris", 10s)) << widget->errorOutput();
    std::string err = waitForErrorLine(*widget);
    EXPECT_TRUE(isOneLine(err)) << err;
    EXPECT_NE(err.find("using X11 through XWayland"), std::string::npos) << err;
    EXPECT_EQ(widget->stop(SIGTERM, 10s), 0);
}

}  // namespace
}  // namespace sonaris::testing
