#include "host/daemon/atomic_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

namespace sonaris::host::daemon {
namespace {

// mkostemp's pattern: the last six characters become letters and digits.
constexpr const char* temporarySuffix = ".XXXXXX";

bool isTemporaryNameOf(std::string_view name, std::string_view fileName) {
    std::size_t stem = 1 + fileName.size() + 1;
    if (name.size() != stem + 6 || name[0] != '.' || name.substr(1, fileName.size()) != fileName ||
        name[stem - 1] != '.')
        return false;
    for (char c : name.substr(stem))
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return false;
    return true;
}

std::string failure(std::string_view what, const std::filesystem::path& path, int error) {
    return std::string(what) + " " + path.string() + ": " + std::strerror(error);
}

}  // namespace

std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view bytes, bool createFolders,
                                               Flush flush) {
    auto folder = path.parent_path();
    if (createFolders && !folder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error)
            return "cannot create " + folder.string() + ": " + error.message();
    }
    std::string pattern = (folder / ("." + path.filename().string() + temporarySuffix)).string();
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
    if (::fchmod(fd, 0644) != 0 || (flush == Flush::toDisk && ::fsync(fd) != 0))
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

int removeLeftoverTemporaries(const std::filesystem::path& folder,
                              std::initializer_list<std::string_view> fileNames,
                              std::chrono::seconds quietFor) {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error)
        return 0;
    auto now = std::chrono::system_clock::now();
    int removed = 0;
    for (const auto& entry : entries) {
        auto name = entry.path().filename().string();
        bool ours = false;
        for (auto fileName : fileNames)
            ours = ours || isTemporaryNameOf(name, fileName);
        struct stat info {};
        if (!ours || ::lstat(entry.path().c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        auto changed = std::chrono::system_clock::time_point(
            std::chrono::seconds(info.st_mtim.tv_sec) +
            std::chrono::duration_cast<std::chrono::system_clock::duration>(
                std::chrono::nanoseconds(info.st_mtim.tv_nsec)));
        if (now - changed >= quietFor && ::unlink(entry.path().c_str()) == 0)
            ++removed;
    }
    return removed;
}

}  // namespace sonaris::host::daemon
