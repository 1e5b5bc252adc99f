#include "state/widget_shared_state.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace sonaris::state {
namespace {

TEST(WidgetSharedStateTest, DefaultHoldsTheBuiltInValues) {
    const double before = platform::foundation::Date::now().timeIntervalSinceReferenceDate;
    const auto state = WidgetSharedState::default_();
    const double after = platform::foundation::Date::now().timeIntervalSinceReferenceDate;

    EXPECT_FALSE(state.isPlaying);
    EXPECT_EQ(state.title, "Sonaris");
    EXPECT_EQ(state.artist, "Готов к воспроизведению");
    EXPECT_EQ(state.album, "Медиаплеер Tavrin");
    EXPECT_EQ(state.duration, 0.0);
    EXPECT_EQ(state.currentTime, 0.0);
    EXPECT_EQ(state.mediaKind, "none");
    EXPECT_FALSE(state.hasArtwork);
    EXPECT_FALSE(state.artworkBase64);
    const std::vector<WidgetTrackInfo> rows = {
        {"Новая запись экрана", "Быстрое действие", "REC", "screen"},
        {"Аудиозапись", "Быстрое действие", "MIC", "audio"},
        {"Видеомонтаж", "Редактор", "EDIT", "editor"},
    };
    EXPECT_EQ(state.recentTracks, rows);
    EXPECT_GE(state.updatedAt.timeIntervalSinceReferenceDate, before);
    EXPECT_LE(state.updatedAt.timeIntervalSinceReferenceDate, after);
}

TEST(WidgetSharedStateTest, EachDefaultCarriesTheTimeOfItsOwnAccess) {
    const auto first = WidgetSharedState::default_();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto second = WidgetSharedState::default_();
    EXPECT_GT(second.updatedAt, first.updatedAt);
    EXPECT_EQ(second.title, first.title);
    EXPECT_EQ(second.recentTracks, first.recentTracks);
}

}  // namespace
}  // namespace sonaris::state
