#pragma once

#include <string>
#include <string_view>

namespace sonaris::host::links {

// `text` fit for a one-line message: line breaks and other control characters (which may come
// from a parser's message or a user's file) become spaces, trailing spaces go.
std::string oneLine(std::string_view text);

}  // namespace sonaris::host::links
