#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/daemon/atomic_file.hpp"
#include "state/widget_shared_state.hpp"

namespace sonaris::host::daemon {

// Writes the widget's state and cover files into one folder, each whole under a temporary name
// and then renamed. A folder on the disk is made with its parents when missing and every file is
// flushed; a folder in memory (`Flush::none`, the session's runtime folder) is made private
// (0700) inside its existing parent and nothing is flushed. It removes a cover only when it is the
// one this host wrote: a file put there by anyone else stays. What it wrote is remembered in
// `ownerMark` (when given) so that a restarted host can still clear its own stale cover.
class HostFilesWriter {
  public:
    HostFilesWriter(std::filesystem::path folder, std::optional<std::filesystem::path> ownerMark,
                    Flush flush = Flush::toDisk);

    std::optional<std::string> writeState(const state::WidgetSharedState& state);
    std::optional<std::string> writeCover(const std::vector<std::uint8_t>& jpeg);
    // Removes the cover file when this host wrote it and nobody has replaced it since.
    std::optional<std::string> removeOwnCover();
    // Removes what a killed writer left behind (see removeLeftoverTemporaries).
    void removeLeftovers() const;

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path statePath() const;
    std::filesystem::path coverPath() const;

  private:
    struct Identity {
        std::uint64_t device = 0, inode = 0, size = 0;
        std::int64_t modifiedNs = 0;
        bool operator==(const Identity&) const = default;
    };
    static std::optional<Identity> identityOf(const std::filesystem::path& path);
    void remember(std::optional<Identity> identity);
    std::optional<std::string> write(const std::filesystem::path& path, std::string_view bytes);

    std::filesystem::path folder_;
    Flush flush_;
    std::optional<std::filesystem::path> ownerMark_;
    std::optional<Identity> ownCover_;
};

}  // namespace sonaris::host::daemon
