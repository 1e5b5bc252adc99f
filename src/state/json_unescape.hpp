#pragma once

#include <string>
#include <string_view>

namespace sonaris::state {

// Resolves the escapes of a JSON string's content (the text between its quotes), appending the
// result to `out`, or only checking it when `out` is null. False on a malformed escape or a
// \u escape that names half a surrogate pair. The content must already be known to be UTF-8
// without raw control characters, as the parser's first pass ensures.
bool unescapeJsonString(std::string_view content, std::string* out);

}  // namespace sonaris::state
