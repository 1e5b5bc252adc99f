#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace sonaris::host::daemon {

// Writes `bytes` to a new temporary file beside `path`, flushes it to the disk and renames it
// over `path`, so that a reader sees the old file or the new one, never a part. With
// `createFolders` the missing folders are made first. The error's text when anything fails (the
// temporary file is then removed and `path` left as it was).
std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view bytes, bool createFolders);

}  // namespace sonaris::host::daemon
