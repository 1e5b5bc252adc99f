#include "platform/desktop/single_instance.hpp"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace sonaris::platform::desktop {

namespace {

// Abstract socket names are short (107 bytes) and any widget name must fit, so the name is
// hashed (FNV-1a: the same in every build, unlike std::hash).
std::string socketName(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : name) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return "sonaris-widget/" + std::to_string(getuid()) + "/" + digits;
}

sockaddr_un addressOf(const std::string& abstractName, socklen_t& length) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // A leading NUL puts the name in the abstract namespace: no file, nothing to clean up.
    std::memcpy(address.sun_path + 1, abstractName.data(), abstractName.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + abstractName.size());
    return address;
}

std::optional<pid_t> holderOf(const sockaddr_un& address, socklen_t length) {
    foundation::FileDescriptor probe(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!probe || connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0)
        return std::nullopt;
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (getsockopt(probe.get(), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        credentials.pid <= 0)
        return std::nullopt;
    return credentials.pid;
}

}  // namespace

std::variant<SingleInstance, SingleInstance::Taken, std::string> SingleInstance::claim(
    std::string_view name) {
    // Close-on-exec: a URL handler the widget starts must not hold the name after it ends.
    foundation::FileDescriptor socket(
        ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket)
        return std::string("cannot make the widget's instance socket: ") + std::strerror(errno);
    socklen_t length = 0;
    auto address = addressOf(socketName(name), length);
    if (bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        if (errno == EADDRINUSE)
            return Taken{holderOf(address, length)};
        return std::string("cannot claim the widget's name: ") + std::strerror(errno);
    }
    if (listen(socket.get(), 4) != 0)
        return std::string("cannot claim the widget's name: ") + std::strerror(errno);
    return SingleInstance(std::move(socket));
}

void SingleInstance::answer() const {
    for (;;) {
        int knock = accept4(socket_.get(), nullptr, nullptr, SOCK_CLOEXEC);
        if (knock < 0)
            return;
        ::close(knock);
    }
}

}  // namespace sonaris::platform::desktop
