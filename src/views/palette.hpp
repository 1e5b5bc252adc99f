#pragma once

#include "platform/ui/color.hpp"

namespace sonaris::views {

// The widget's own colours. Each is built once, on first use from any thread, and lives for the
// rest of the process.

// Full-bleed background of every layout.
const platform::ui::Color& corvaDarkBg();
// Fill of cards and buttons.
const platform::ui::Color& corvaCardBg();
// Outline of cards and buttons: translucent white, so it reads as a faint light line on the dark
// background rather than as a grey.
const platform::ui::Color& corvaCardBorder();
// The accent: status dots, progress fill, the play control.
const platform::ui::Color& corvaRuby();
// Secondary text.
const platform::ui::Color& corvaMuted();

}  // namespace sonaris::views
