#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonaris::host::art {

// "%41" becomes "A"; a "%" not followed by two hex digits stays as written, since players put
// plain paths with a literal "%" in their URLs too.
std::string percentDecode(std::string_view text);

// Whether `url` starts with `scheme` followed by ":" (schemes compare without case).
bool hasScheme(std::string_view url, std::string_view scheme);

// The local path of a file:// URL (no host or "localhost"), percent-decoded; nothing when it
// would hold a NUL.
std::optional<std::string> filePathOf(std::string_view url);

// A file:// URL's bytes: those of a regular file of at most `maxBytes`. Named pipes, devices and
// directories are refused without waiting on them, and so is a file that is, or grows while read,
// too large.
std::optional<std::vector<std::uint8_t>> readFileUrl(std::string_view url, std::size_t maxBytes);

// The payload of a data: URI, in its Base64 or percent-encoded form, when it holds at most
// `maxBytes`. Its media type is not trusted: the decoder judges the bytes by their signature.
std::optional<std::vector<std::uint8_t>> decodeDataUri(std::string_view uri, std::size_t maxBytes);

}  // namespace sonaris::host::art
