#include "views/progress_bar.hpp"

#include <algorithm>

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

std::optional<ViewNode> ProgressBar(const state::WidgetSharedState& state) {
    const std::optional<double> fraction = progressFraction(state.currentTime, state.duration);
    if (!fraction)
        return std::nullopt;
    return GeometryReader([fraction = *fraction](GeometryProxy proxy) {
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
