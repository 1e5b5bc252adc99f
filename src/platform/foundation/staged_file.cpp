#include "platform/foundation/staged_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>
#include <utility>

namespace sonaris::platform::foundation {

namespace {

std::string lastError() {
    return std::strerror(errno);
}

// Closes on every path out; a failed close on a written file is reported by the caller.
class OpenFile {
  public:
    explicit OpenFile(int fd) : fd_(fd) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

  private:
    int fd_;
};

bool writeAll(int fd, std::span<const std::uint8_t> contents) {
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        contents = contents.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// The file a chain of links ends at (which may not exist yet); loops end after Linux's own limit.
std::filesystem::path followLinks(std::filesystem::path path) {
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!std::filesystem::is_symlink(path, error))
            return path;
        auto next = std::filesystem::read_symlink(path, error);
        if (error)
            return path;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

}  // namespace

std::variant<StagedFile, std::string> StagedFile::write(const std::filesystem::path& target,
                                                        std::span<const std::uint8_t> contents) {
    StagedFile staged;
    staged.target_ = followLinks(target);

    struct stat existing {};
    const bool exists = ::stat(staged.target_.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return std::string(std::strerror(EISDIR));
    if (exists && !S_ISREG(existing.st_mode)) {
        OpenFile file(::open(staged.target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
        if (file.get() < 0)
            return lastError();
        if (!writeAll(file.get(), contents) || !file.close())
            return lastError();
        return staged;
    }

    // Created with 0666 so that the umask applies as it does to any new file; a file replaced
    // keeps its mode below.
    // Built piece by piece: GCC 12 at -O3 takes `"." + string` for an overlapping copy.
    std::string base = ".";
    base += staged.target_.filename().string();
    base += '.';
    std::random_device entropy;
    std::mt19937 generator(entropy() ^ static_cast<unsigned>(::getpid()));
    int fd = -1;
    for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%06x", static_cast<unsigned>(generator() & 0xffffff));
        staged.temporary_ = staged.target_.parent_path() / (base + suffix + ".tmp");
        fd = ::open(staged.temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const std::string reason = lastError();
        staged.temporary_.clear();
        return reason;
    }
    OpenFile file(fd);
    if (exists) {
        // Best effort: a file replaced keeps its owner and who may read it (owner first, as a
        // change of owner clears set-id bits).
        if (::geteuid() == 0)
            (void)::fchown(fd, existing.st_uid, existing.st_gid);
        (void)::fchmod(fd, existing.st_mode & 07777);
    }
    if (!writeAll(fd, contents) || !file.close())
        return lastError();  // the destructor removes the temporary file
    return staged;
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : temporary_(std::exchange(other.temporary_, {})), target_(std::move(other.target_)) {}

StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
    if (this != &other) {
        discard();
        temporary_ = std::exchange(other.temporary_, {});
        target_ = std::move(other.target_);
    }
    return *this;
}

StagedFile::~StagedFile() {
    discard();
}

void StagedFile::discard() {
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

std::optional<std::string> StagedFile::commit() {
    if (temporary_.empty())
        return std::nullopt;  // written in place already
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const std::string reason = lastError();
        discard();
        return reason;
    }
    temporary_.clear();
    return std::nullopt;
}

}  // namespace sonaris::platform::foundation
