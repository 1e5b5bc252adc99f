#include "host/daemon/atomic_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace sonaris::host::daemon {
namespace {

std::string failure(std::string_view what, const std::filesystem::path& path, int error) {
    return std::string(what) + " " + path.string() + ": " + std::strerror(error);
}

}  // namespace

std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view bytes, bool createFolders) {
    auto folder = path.parent_path();
    if (createFolders && !folder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error)
            return "cannot create " + folder.string() + ": " + error.message();
    }
    std::string pattern = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return failure("cannot write in", folder, errno);
    auto abandon = [&](std::string_view what) {
        int error = errno;
        ::close(fd);
        ::unlink(name.data());
        return failure(what, path, error);
    };
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return abandon("cannot write");
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    // mkstemp makes the file private; the widget (and other readers) need to read it.
    if (::fchmod(fd, 0644) != 0 || ::fsync(fd) != 0)
        return abandon("cannot write");
    if (::close(fd) != 0) {
        int error = errno;
        ::unlink(name.data());
        return failure("cannot write", path, error);
    }
    if (::rename(name.data(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(name.data());
        return failure("cannot replace", path, error);
    }
    return std::nullopt;
}

}  // namespace sonaris::host::daemon
