#pragma once

#include "platform/ui/views.hpp"

namespace sonaris::views {

// What a screen reader calls each control, the same in every family whatever the control shows
// (a symbol alone, or a shorter word).
platform::ui::LocalizedStringKey previousLabel();
platform::ui::LocalizedStringKey nextLabel();
// The action the toggle takes now: pause while playing, play otherwise.
platform::ui::LocalizedStringKey toggleLabel(bool isPlaying);
platform::ui::LocalizedStringKey recordScreenLabel();
platform::ui::LocalizedStringKey recordAudioLabel();
platform::ui::LocalizedStringKey editorLabel();

}  // namespace sonaris::views
