#pragma once

#include <string>
#include <string_view>

namespace sonaris::host::links {

// `text` fit for a one-line message: line breaks and other control characters (which may come
// from a parser's message or a user's file) become spaces, trailing spaces go.
std::string oneLine(std::string_view text);

// `text` as it may be shown whole on a terminal, for a value the user must recognise (a URL):
// control characters (C0, DEL, C1) and backslashes are written as escapes (\n, \x1b, \u0085,
// \\), so nothing breaks the line or reaches the terminal as a command.
std::string escapedForDisplay(std::string_view text);

}  // namespace sonaris::host::links
