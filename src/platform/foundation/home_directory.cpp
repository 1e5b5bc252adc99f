#include "platform/foundation/home_directory.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace sonaris::platform::foundation {

std::optional<std::filesystem::path> homeDirectoryForCurrentUser() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home);

    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 1024);
    passwd entry{};
    passwd* found = nullptr;
    for (;;) {
        const int error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == EINTR)
            continue;
        // Some entries (long GECOS fields, NSS modules) need more room than sysconf suggests.
        if (error == ERANGE && buffer.size() < (std::size_t{1} << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        break;
    }
    if (!found || !found->pw_dir || !*found->pw_dir)
        return std::nullopt;
    return std::filesystem::path(found->pw_dir);
}

}  // namespace sonaris::platform::foundation
