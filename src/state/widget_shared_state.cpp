#include "state/widget_shared_state.hpp"

namespace sonaris::state {

WidgetSharedState WidgetSharedState::default_() {
    return WidgetSharedState{
        .isPlaying = false,
        .title = "Sonaris",
        .artist = "Готов к воспроизведению",
        .album = "Медиаплеер Tavrin",
        .duration = 0,
        .currentTime = 0,
        .mediaKind = "none",
        .hasArtwork = false,
        .artworkBase64 = std::nullopt,
        .recentTracks =
            {
                {"Новая запись экрана", "Быстрое действие", "REC", "screen"},
                {"Аудиозапись", "Быстрое действие", "MIC", "audio"},
                {"Видеомонтаж", "Редактор", "EDIT", "editor"},
            },
        .updatedAt = platform::foundation::Date::now(),
    };
}

}  // namespace sonaris::state
