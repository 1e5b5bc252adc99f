#pragma once

#include <filesystem>
#include <optional>

namespace sonaris::platform::foundation {

// The current user's home folder: $HOME when set and not empty, else the password database's
// entry for the real user id. Asked afresh on every call.
std::optional<std::filesystem::path> homeDirectoryForCurrentUser();

}  // namespace sonaris::platform::foundation
