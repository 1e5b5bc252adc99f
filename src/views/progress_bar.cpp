#include "views/progress_bar.hpp"

#include <algorithm>
#include <cmath>

#include "platform/ui/environment.hpp"
#include "platform/ui/views.hpp"
#include "views/palette.hpp"

namespace sonaris::views {

using namespace platform::ui;

namespace {
constexpr double barHeight = 3;
}

std::optional<double> progressFraction(double currentTime, double duration) {
    if (!(duration > 0))
        return std::nullopt;
    const double ratio = currentTime / duration;
    // Written so that NaN fails the test and lands on 0.
    if (!(ratio >= 0))
        return 0.0;
    return std::min(ratio, 1.0);
}

double livePosition(const Playback& playback, std::optional<platform::foundation::Date> liveDate) {
    if (!liveDate || !playback.isPlaying || !(playback.duration > 0))
        return playback.currentTime;
    // A clock set back, or a state dated ahead of it, holds the bar still rather than rewinding.
    const double elapsed = std::max(0.0, liveDate->timeIntervalSinceReferenceDate -
                                             playback.updatedAt.timeIntervalSinceReferenceDate);
    if (!(playback.currentTime < playback.duration))
        return playback.currentTime;
    return std::min(playback.currentTime + elapsed, playback.duration);
}

namespace {

// While live and playing, asks for the next drawing when the fill has grown by one more whole
// device pixel: a 200-point bar over a three-minute track at scale 1 redraws about once a second.
void scheduleNextPixel(const Playback& playback, double position, double barWidth) {
    const auto& environment = currentEnvironment();
    if (!environment.redrawSchedule || !environment.liveDate || !playback.isPlaying ||
        !(position < playback.duration) || !(position >= 0))
        return;
    const double pixels = barWidth * environment.displayScale;
    if (!(pixels >= 1))
        return;
    // A hair past the boundary, so that the drawing made then has crossed it.
    const double filled = position / playback.duration * pixels;
    const double nextPixel = std::floor(filled + 1e-6) + 1;
    const double positionThen = std::min(nextPixel / pixels, 1.0) * playback.duration;
    environment.redrawSchedule->redrawAt(
        playback.updatedAt.addingTimeInterval(positionThen - playback.currentTime + 1e-3));
}

}  // namespace

std::optional<ViewNode> ProgressBar(const state::WidgetSharedState& state) {
    const std::optional<double> fraction = progressFraction(state.currentTime, state.duration);
    if (!fraction)
        return std::nullopt;
    // The few numbers the bar needs, not the state with its cover.
    const Playback playback{state.isPlaying, state.duration, state.currentTime, state.updatedAt};
    return GeometryReader([playback](GeometryProxy proxy) {
               const double position = livePosition(playback, currentEnvironment().liveDate);
               const double fraction = *progressFraction(position, playback.duration);
               scheduleNextPixel(playback, position, proxy.size.width);
               return ZStack(
                   Alignment::leading(),
                   {
                       Capsule().fill(Color::white().opacity(0.12)).frame(std::nullopt, barHeight),
                       Capsule().fill(corvaRuby()).frame(proxy.size.width * fraction, barHeight),
                   });
           })
        .frame(std::nullopt, barHeight)
        .accessibilityValue({*fraction * state.duration, state.duration});
}

}  // namespace sonaris::views
