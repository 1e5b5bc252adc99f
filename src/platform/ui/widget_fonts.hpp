#pragma once

#include <string_view>

using FcConfig = struct _FcConfig;

namespace sonaris::platform::ui {

// The fonts the widget sets its text in, as a fontconfig configuration of their own: Inter and
// Comfortaa, with Noto Sans CJK and Noto Color Emoji behind them. The desktop's configuration
// reads some fifty files and sorts hundreds of fonts for every text style, which costs more than
// laying out and drawing a whole widget; this one reads the font caches of four folders.
//
// Null where the fonts are not installed where the packages put them: text is then set with the
// desktop's configuration, as it is for a text these fonts lack a character of.
FcConfig* widgetFontConfig();

// Whether every character of `text` (valid UTF-8) has a glyph in the widget's fonts.
bool widgetFontsCover(std::string_view text);

}  // namespace sonaris::platform::ui
