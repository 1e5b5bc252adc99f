#pragma once

#include <string>
#include <string_view>

namespace sonaris::platform::ui {

// `text` with each invalid byte sequence and each NUL replaced by U+FFFD: what is shown, and
// written out, for state text that is not clean UTF-8.
std::string repairedUtf8(std::string_view text);

// Whether `text` is valid UTF-8 without NULs: what repairedUtf8 leaves as it is.
bool isCleanUtf8(std::string_view text);

}  // namespace sonaris::platform::ui
