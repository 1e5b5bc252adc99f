#include "platform/desktop/host_folder_watch.hpp"

#include <sys/inotify.h>

#include <cerrno>
#include <cstring>

namespace sonaris::platform::desktop {

namespace {

constexpr std::uint32_t folderEvents = IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO |
                                       IN_MOVED_FROM | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr std::uint32_t ancestorEvents = IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

std::filesystem::path withoutTrailingSeparator(std::filesystem::path path) {
    path = path.lexically_normal();
    if (!path.has_filename() && path.has_parent_path() && path != path.root_path())
        path = path.parent_path();
    return path;
}

bool isFolder(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

}  // namespace

std::optional<HostFolderWatch> HostFolderWatch::create(std::vector<std::filesystem::path> folders) {
    foundation::FileDescriptor fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!fd)
        return std::nullopt;
    for (auto& folder : folders)
        folder = withoutTrailingSeparator(folder);
    HostFolderWatch watch(std::move(fd), std::move(folders));
    watch.arm();
    return watch;
}

std::map<std::filesystem::path, HostFolderWatch::Watch> HostFolderWatch::desiredWatches() const {
    std::map<std::filesystem::path, Watch> desired;
    for (const auto& folder : folders_) {
        std::filesystem::path existing = folder;
        std::optional<std::string> nextStep;
        while (!isFolder(existing)) {
            auto parent = existing.parent_path();
            if (parent == existing || parent.empty()) {
                existing = parent.empty() ? std::filesystem::path(".") : parent;
                break;
            }
            nextStep = existing.filename().string();
            existing = parent;
        }
        auto& watch = desired[existing];
        watch.folder = existing;
        if (nextStep)
            watch.nextSteps.insert(*nextStep);
        else
            watch.wholeFolder = true;
    }
    return desired;
}

void HostFolderWatch::arm() {
    // A folder can appear between looking and watching; looking again afterwards closes that gap.
    for (int attempt = 0; attempt < 8; ++attempt) {
        auto desired = desiredWatches();
        for (auto it = watches_.begin(); it != watches_.end();) {
            if (desired.contains(it->second.folder)) {
                ++it;
                continue;
            }
            inotify_rm_watch(fd_.get(), it->first);
            it = watches_.erase(it);
        }
        for (const auto& [folder, watch] : desired) {
            std::uint32_t mask = (watch.wholeFolder ? folderEvents : ancestorEvents) | IN_ONLYDIR;
            int wd = inotify_add_watch(fd_.get(), folder.c_str(), mask);
            if (wd >= 0)
                watches_[wd] = watch;
        }
        if (desiredWatches() == desired)
            return;
    }
}

bool HostFolderWatch::readEvents() {
    bool changed = false;
    bool rearm = false;
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        ssize_t length = ::read(fd_.get(), buffer, sizeof buffer);
        if (length < 0 && errno == EINTR)
            continue;
        if (length <= 0)
            break;
        for (char* at = buffer; at < buffer + length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            if (event->mask & IN_Q_OVERFLOW) {
                changed = rearm = true;
                continue;
            }
            auto watch = watches_.find(event->wd);
            if (watch == watches_.end())
                continue;
            if (event->mask & IN_IGNORED) {
                watches_.erase(watch);
                changed = rearm = true;
            } else if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
                changed = rearm = true;
            } else if (watch->second.wholeFolder) {
                changed = true;
            } else if (event->len > 0 && watch->second.nextSteps.contains(event->name)) {
                // The next step of a missing host folder appeared; it may already hold files.
                changed = rearm = true;
            }
        }
    }
    if (rearm)
        arm();
    return changed;
}

std::vector<std::filesystem::path> HostFolderWatch::watchedFolders() const {
    std::set<std::filesystem::path> folders;
    for (const auto& [wd, watch] : watches_)
        folders.insert(watch.folder);
    return {folders.begin(), folders.end()};
}

}  // namespace sonaris::platform::desktop
