#pragma once

#include <optional>

#include "platform/ui/view.hpp"
#include "state/widget_shared_state.hpp"

namespace sonaris::views {

// How far playback has come, 0 to 1: a negative or not-a-number ratio counts as the start and
// anything past the end as the end. Nothing when the track has no positive duration (zero,
// negative or not a number), since no position can be shown then.
std::optional<double> progressFraction(double currentTime, double duration);

// What the bar follows of the host's state.
struct Playback {
    bool isPlaying = false;
    double duration = 0;
    double currentTime = 0;
    platform::foundation::Date updatedAt;
};

// Where playback stands at `liveDate`: while playing, the host's position moved on at normal
// speed from when it was written, up to the end; otherwise (and without a live date) the
// position exactly as written.
double livePosition(const Playback& playback, std::optional<platform::foundation::Date> liveDate);

// The thin playback bar of every layout: a faint full-width track with the ruby fill from its
// leading end. Absent when the track has no positive duration. In a live drawing (a live date in
// the environment) it shows the live position and asks to be drawn again when its fill has
// grown by a whole device pixel.
std::optional<platform::ui::ViewNode> ProgressBar(const state::WidgetSharedState& state);

}  // namespace sonaris::views
