#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "platform/ui/environment.hpp"
#include "tree_query.hpp"
#include "views/palette.hpp"
#include "views/progress_bar.hpp"

namespace sonaris::views {
namespace {

using platform::ui::Color;
using namespace sonaris::testing;

TEST(Palette, ColoursHaveTheirValues) {
    struct Case {
        const char* name;
        const Color& (*colour)();
        Color expected;
    };
    const Case cases[] = {
        {"corvaDarkBg", corvaDarkBg, Color{0.05, 0.05, 0.07, 1}},
        {"corvaCardBg", corvaCardBg, Color{0.09, 0.09, 0.12, 1}},
        // Translucent white, not a grey: over the dark background it reads as a faint light line.
        {"corvaCardBorder", corvaCardBorder, Color{1, 1, 1, 0.08}},
        {"corvaRuby", corvaRuby, Color{0.95, 0.15, 0.09, 1}},
        {"corvaMuted", corvaMuted, Color{0.6, 0.6, 0.6, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.colour(), c.expected);
        EXPECT_EQ(&c.colour(), &c.colour()) << "built once and shared";
    }
}

TEST(Palette, FirstUseFromManyThreadsSeesOneColour) {
    std::vector<const Color*> seen(8);
    std::vector<std::thread> threads;
    for (auto& slot : seen)
        threads.emplace_back([&slot] { slot = &corvaMuted(); });
    for (auto& t : threads)
        t.join();
    for (const Color* c : seen)
        EXPECT_EQ(c, &corvaMuted());
}

TEST(ProgressFraction, ClampsToTheTrack) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double currentTime, duration;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {50, 200, 0.25},
        {100, 200, 0.5},
        {200, 200, 1.0},
        {250, 200, 1.0},
        {inf, 200, 1.0},
        {-5, 200, 0.0},
        {nan, 200, 0.0},
        {-inf, 200, 0.0},
        {0, 200, 0.0},
        {50, inf, 0.0},
        {inf, inf, 0.0},
        {1e308, 1e-308, 1.0},
        // Without a positive duration there is no position to show at all.
        {50, 0, std::nullopt},
        {50, -0.0, std::nullopt},
        {50, -3, std::nullopt},
        {50, nan, std::nullopt},
        {50, -inf, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.currentTime << " / " << c.duration);
        EXPECT_EQ(progressFraction(c.currentTime, c.duration), c.expected);
    }
}

TEST(ProgressBar, IsAThinReaderWithTrackAndFill) {
    state::WidgetSharedState state;
    state.duration = 200;
    state.currentTime = 50;
    const auto bar = ProgressBar(state);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->type, ViewType::GeometryReader);
    EXPECT_EQ(modifiersOf(*bar), std::vector<std::string>{"frame(-x3 center/center)"});

    const ViewNode content = expandReader(*bar, {240, 3});
    EXPECT_EQ(headline(content), "ZStack leading/center");
    ASSERT_EQ(content.children.size(), 2u);
    const ViewNode& track = content.children[0];
    const ViewNode& fill = content.children[1];
    EXPECT_EQ(headline(track), "Shape capsule");
    EXPECT_EQ(modifiersOf(track),
              (std::vector<std::string>{"fill(rgba(1,1,1,0.12))", "frame(-x3 center/center)"}));
    EXPECT_EQ(headline(fill), "Shape capsule");
    EXPECT_EQ(modifiersOf(fill), (std::vector<std::string>{"fill(" + describe(corvaRuby()) + ")",
                                                           "frame(60x3 center/center)"}));
}

TEST(ProgressBar, FillWidthFollowsTheClampedFraction) {
    struct Case {
        double currentTime;
        const char* fillFrame;
    };
    for (const auto& c :
         {Case{250, "frame(100x3 center/center)"}, Case{-1, "frame(0x3 center/center)"},
          Case{std::nan(""), "frame(0x3 center/center)"}}) {
        state::WidgetSharedState state;
        state.duration = 200;
        state.currentTime = c.currentTime;
        const ViewNode content = expandReader(*ProgressBar(state), {100, 3});
        EXPECT_EQ(modifiersOf(content.children[1])[1], c.fillFrame) << c.currentTime;
        EXPECT_EQ(content.children.size(), 2u) << "the track stays even with no fill";
    }
}

// Live, a playing bar moves on from the host's position at normal speed up to the end, and asks
// for its next drawing when the fill has grown by one whole device pixel; paused, without a live
// date (render, tree, tap) or at the end it shows the position as written and asks for nothing.
TEST(ProgressBar, LiveBarMovesOnWhilePlayingAndAsksForTheNextPixel) {
    using platform::foundation::Date;
    const Date written{800000000};
    struct Case {
        bool playing;
        std::optional<double> secondsLater;  // the live date; unset: not live
        double scale;
        const char* fillFrame;
        std::optional<double> nextRedrawAfterWriting;
    };
    // A 200-point bar over a 180-second track from 60 s: each pixel at scale 1 is 0.9 s, the
    // first whole one after 60 s comes 0.3 s later.
    const Case cases[] = {
        {true, 30, 1, "frame(100x3 center/center)", 30.9},
        {true, 30.5, 2, "frame(100.556x3 center/center)", 30.9},
        {true, std::nullopt, 1, "frame(66.6667x3 center/center)", std::nullopt},
        {false, 30, 1, "frame(66.6667x3 center/center)", std::nullopt},
        {true, 500, 1, "frame(200x3 center/center)", std::nullopt},
        {true, -20, 1, "frame(66.6667x3 center/center)", 0.3},
    };
    for (const auto& c : cases) {
        state::WidgetSharedState state;
        state.isPlaying = c.playing;
        state.duration = 180;
        state.currentTime = 60;
        state.updatedAt = written;
        platform::ui::RedrawSchedule schedule;
        platform::ui::EnvironmentValues environment{.displayScale = c.scale,
                                                    .redrawSchedule = &schedule};
        if (c.secondsLater)
            environment.liveDate = written.addingTimeInterval(*c.secondsLater);
        platform::ui::ScopedEnvironment scope(environment);
        const ViewNode content = expandReader(*ProgressBar(state), {200, 3});
        EXPECT_EQ(modifiersOf(content.children[1])[1], c.fillFrame) << c.secondsLater.value_or(-1);
        ASSERT_EQ(schedule.next().has_value(), c.nextRedrawAfterWriting.has_value());
        if (c.nextRedrawAfterWriting) {
            EXPECT_NEAR(schedule.next()->timeIntervalSinceReferenceDate - 800000000,
                        *c.nextRedrawAfterWriting, 0.01);
        }
    }
}

}  // namespace
}  // namespace sonaris::views
