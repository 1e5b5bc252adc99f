#include "state/widget_shared_state.hpp"

namespace sonaris::state {

WidgetSharedState WidgetSharedState::default_(const TextTranslation& translate) {
    auto text = [&](std::string_view written) {
        return translate ? translate(written) : std::string(written);
    };
    return WidgetSharedState{
        .isPlaying = false,
        .title = text("Sonaris"),
        .artist = text("Готов к воспроизведению"),
        .album = text("Медиаплеер Tavrin"),
        .duration = 0,
        .currentTime = 0,
        .mediaKind = "none",
        .hasArtwork = false,
        .artworkBase64 = std::nullopt,
        .recentTracks =
            {
                {text("Новая запись экрана"), text("Быстрое действие"), "REC", "screen"},
                {text("Аудиозапись"), text("Быстрое действие"), "MIC", "audio"},
                {text("Видеомонтаж"), text("Редактор"), "EDIT", "editor"},
            },
        .updatedAt = platform::foundation::Date::now(),
    };
}

}  // namespace sonaris::state
