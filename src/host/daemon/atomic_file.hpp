#pragma once

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace sonaris::host::daemon {

// Whether a written file is flushed to the disk before it replaces the old one. A folder kept in
// memory (the session's runtime folder) needs no flush, and one costs milliseconds on a disk.
enum class Flush { toDisk, none };

// Writes `bytes` to a new temporary file beside `path` (named ".<file name>.XXXXXX"), flushes it
// as asked and renames it over `path`, so that a reader sees the old file or the new one, never a
// part. With `createFolders` the missing folders are made first. The error's text when anything
// fails (the temporary file is then removed and `path` left as it was).
std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view bytes, bool createFolders,
                                               Flush flush = Flush::toDisk);

// Removes from `folder` the temporary files that writeFileAtomically leaves behind when the
// process is killed mid-write: only regular files named exactly as it names them for one of
// `fileNames`, and only when unchanged for `quietFor` (another process may be writing one now).
// The number removed.
int removeLeftoverTemporaries(const std::filesystem::path& folder,
                              std::initializer_list<std::string_view> fileNames,
                              std::chrono::seconds quietFor = std::chrono::seconds(60));

}  // namespace sonaris::host::daemon
