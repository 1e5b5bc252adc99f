#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/foundation/file_descriptor.hpp"

namespace sonaris::platform::desktop {

// Watches folders that the host writes into, including ones that do not exist yet: until a
// folder appears its nearest existing ancestor is watched for the next step of the path, and
// the watch moves down as the path is created (and back up if it is removed).
class HostFolderWatch {
  public:
    // Nothing when the kernel refuses an inotify instance.
    static std::optional<HostFolderWatch> create(std::vector<std::filesystem::path> folders);

    // Readable when events are waiting; non-blocking.
    int fd() const { return fd_.get(); }

    // Drains the waiting events; true when one may have changed a file in a watched folder
    // (a write, a rename into or out of it, a removal, or the folder itself coming or going).
    bool readEvents();

    // The folders watched right now, for tests: each host folder or its nearest existing ancestor.
    std::vector<std::filesystem::path> watchedFolders() const;

  private:
    struct Watch {
        std::filesystem::path folder;
        bool wholeFolder = false;         // a host folder: every change counts
        std::set<std::string> nextSteps;  // an ancestor: only these names appearing count
        bool operator==(const Watch&) const = default;
    };

    HostFolderWatch(foundation::FileDescriptor fd, std::vector<std::filesystem::path> folders)
        : fd_(std::move(fd)), folders_(std::move(folders)) {}

    // Brings the kernel's watches in line with what exists now.
    void arm();
    std::map<std::filesystem::path, Watch> desiredWatches() const;

    foundation::FileDescriptor fd_;
    std::vector<std::filesystem::path> folders_;
    std::map<int, Watch> watches_;
};

}  // namespace sonaris::platform::desktop
