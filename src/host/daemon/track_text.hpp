#pragma once

#include <string>
#include <string_view>

namespace sonaris::host::daemon {

// "3:07", "1:02:03"; a length that is unknown, negative or not a number reads as "".
std::string durationText(double seconds);

// The last path segment of a URL, percent-decoded, without query or fragment ("" when none).
std::string fileNameOfUrl(std::string_view url);

// "video" when the URL names a video container by its extension, else "audio".
std::string mediaKindOf(std::string_view url);

}  // namespace sonaris::host::daemon
