#include "host/daemon/host_files_writer.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "host/daemon/atomic_file.hpp"
#include "platform/foundation/file.hpp"
#include "state/host_contract.hpp"
#include "state/state_json.hpp"

namespace sonaris::host::daemon {

HostFilesWriter::HostFilesWriter(std::filesystem::path folder,
                                 std::optional<std::filesystem::path> ownerMark, Flush flush)
    : folder_(std::move(folder)), flush_(flush), ownerMark_(std::move(ownerMark)) {
    if (!ownerMark_)
        return;
    auto bytes = platform::foundation::readWholeFile(*ownerMark_);
    if (!bytes || bytes->size() > 256)
        return;
    std::istringstream in(std::string(bytes->begin(), bytes->end()));
    Identity identity;
    if (in >> identity.device >> identity.inode >> identity.size >> identity.modifiedNs)
        ownCover_ = identity;
}

std::filesystem::path HostFilesWriter::statePath() const {
    return folder_ / state::HostFiles::stateFileName;
}

std::filesystem::path HostFilesWriter::coverPath() const {
    return folder_ / state::HostFiles::coverFileName;
}

std::optional<std::string> HostFilesWriter::writeState(const state::WidgetSharedState& state) {
    std::string text;
    if (!state::appendJson(text, state))
        return "the state has a number that JSON cannot hold";
    return write(statePath(), text);
}

std::optional<std::string> HostFilesWriter::write(const std::filesystem::path& path,
                                                  std::string_view bytes) {
    if (flush_ == Flush::toDisk)
        return writeFileAtomically(path, bytes, true);
    // The runtime folder is the session's own; ours inside it is private like it.
    if (::mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST)
        return "cannot create " + folder_.string() + ": " + std::strerror(errno);
    return writeFileAtomically(path, bytes, false, Flush::none);
}

void HostFilesWriter::removeLeftovers() const {
    removeLeftoverTemporaries(folder_,
                              {state::HostFiles::stateFileName, state::HostFiles::coverFileName});
    if (ownerMark_)
        removeLeftoverTemporaries(ownerMark_->parent_path(), {ownerMark_->filename().string()});
}

std::optional<std::string> HostFilesWriter::writeCover(const std::vector<std::uint8_t>& jpeg) {
    auto error = write(coverPath(), {reinterpret_cast<const char*>(jpeg.data()), jpeg.size()});
    if (!error)
        remember(identityOf(coverPath()));
    return error;
}

std::optional<std::string> HostFilesWriter::removeOwnCover() {
    if (!ownCover_)
        return std::nullopt;
    auto current = identityOf(coverPath());
    if (current && *current == *ownCover_ && ::unlink(coverPath().c_str()) != 0 && errno != ENOENT)
        return "cannot remove " + coverPath().string() + ": " + std::strerror(errno);
    remember(std::nullopt);
    return std::nullopt;
}

std::optional<HostFilesWriter::Identity> HostFilesWriter::identityOf(
    const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return Identity{
        static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
        static_cast<std::uint64_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

void HostFilesWriter::remember(std::optional<Identity> identity) {
    if (identity == ownCover_)
        return;
    ownCover_ = identity;
    if (!ownerMark_)
        return;
    if (!identity) {
        ::unlink(ownerMark_->c_str());
        return;
    }
    std::ostringstream text;
    text << identity->device << ' ' << identity->inode << ' ' << identity->size << ' '
         << identity->modifiedNs << '\n';
    // Losing the mark only means a stale cover may outlive a restart: it is no reason to stop,
    // nor to wait for the disk.
    (void)writeFileAtomically(*ownerMark_, text.str(), true, Flush::none);
}

}  // namespace sonaris::host::daemon
