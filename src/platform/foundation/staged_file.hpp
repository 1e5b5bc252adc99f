#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <variant>

namespace sonaris::platform::foundation {

// A file's new contents, written whole to a temporary file beside the file it is meant for and
// moved there only by commit(), so that a write that fails half way neither leaves a partial file
// nor removes what stood at the path. A link is followed, so the link stays and the file it
// names is replaced. A path that names something other than a regular file (a device, a pipe)
// cannot be replaced by a rename and is written into directly instead: that is what writing to
// /dev/null or a pipe means, and such a target is never removed.
class StagedFile {
  public:
    // The contents staged for `target`, or a one-line reason (such as "Permission denied") why
    // they could not be; nothing at `target` has changed either way.
    static std::variant<StagedFile, std::string> write(const std::filesystem::path& target,
                                                       std::span<const std::uint8_t> contents);

    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&& other) noexcept;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    // Removes the temporary file unless it was committed.
    ~StagedFile();

    // Puts the contents in place; on failure a one-line reason and the target is unchanged.
    std::optional<std::string> commit();

  private:
    StagedFile() = default;
    void discard();

    std::filesystem::path temporary_;  // empty when there is nothing left to move or remove
    std::filesystem::path target_;
};

}  // namespace sonaris::platform::foundation
