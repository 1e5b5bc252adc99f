#pragma once

#include <optional>

#include "platform/ui/view.hpp"
#include "state/widget_shared_state.hpp"

namespace sonaris::views {

// How far playback has come, 0 to 1: a negative or not-a-number ratio counts as the start and
// anything past the end as the end. Nothing when the track has no positive duration (zero,
// negative or not a number), since no position can be shown then.
std::optional<double> progressFraction(double currentTime, double duration);

// The thin playback bar of every layout: a faint full-width track with the ruby fill from its
// leading end. Absent when the track has no positive duration.
std::optional<platform::ui::ViewNode> ProgressBar(const state::WidgetSharedState& state);

}  // namespace sonaris::views
