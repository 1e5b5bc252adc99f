#pragma once

#include <string>
#include <string_view>

namespace sonaris::host::daemon {

// "3:07", "1:02:03"; a length that is unknown, negative or not a number reads as "".
std::string durationText(double seconds);

// The last path segment of a URL, percent-decoded, without query or fragment ("" when none).
std::string fileNameOfUrl(std::string_view url);

// `text` without C0 and C1 control characters (ESC, BEL, NUL, U+0085...), which a font draws as
// boxes and a terminal obeys: tabs and line breaks become spaces, the others go. Everything else,
// bidi marks and emoji included, stays.
std::string withoutControlCharacters(std::string_view text);

// "video" when the URL names a video container by its extension, else "audio".
std::string mediaKindOf(std::string_view url);

}  // namespace sonaris::host::daemon
