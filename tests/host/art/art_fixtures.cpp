#include "art_fixtures.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "host/art/jpeg_reencoder.hpp"

namespace sonaris::host::art::testing {

Bytes makeJpeg(int width, int height, Rgb colour, bool ramp) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int keep = ramp ? 255 - x * 255 / std::max(1, width - 1) : 255;
            auto* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
            p[0] = static_cast<std::uint8_t>(colour.r * keep / 255);
            p[1] = static_cast<std::uint8_t>(colour.g * keep / 255);
            p[2] = static_cast<std::uint8_t>(colour.b * keep / 255);
        }
    }
    auto jpeg = encodeJpeg(rgb, {width, height}, 95);
    if (!jpeg) {
        throw std::runtime_error("JPEG encoding failed");
    }
    return *jpeg;
}

std::string asText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

platform::image::PixelSize sizeOf(const Bytes& jpeg) {
    const auto image = platform::image::Image::fromBytes(jpeg);
    return image ? image->naturalSize() : platform::image::PixelSize{};
}

Rgb centreOf(const Bytes& jpeg) {
    const auto image = platform::image::Image::fromBytes(jpeg);
    const auto bitmap = image ? image->decoded(image->naturalSize()) : nullptr;
    if (!bitmap) {
        return {0, 0, 0};
    }
    std::uint32_t pixel;
    const auto* p = bitmap->pixels.data() +
                    static_cast<std::size_t>(bitmap->size.height / 2) * bitmap->stride +
                    bitmap->size.width / 2 * 4;
    std::memcpy(&pixel, p, 4);
    return {static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
            static_cast<std::uint8_t>(pixel)};
}

std::vector<CoverArtResult> awaitResults(CoverArtFetcher& fetcher, std::chrono::seconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
        pollfd ready{fetcher.readyFd(), POLLIN, 0};
        if (::poll(&ready, 1, 100) > 0) {
            auto results = fetcher.takeResults();
            if (!results.empty()) {
                return results;
            }
        }
    }
    return {};
}

namespace {

// Gives up when the server stops even if the client holds the connection without reading.
bool sendWhole(int fd, std::string_view data, const std::atomic<bool>& stopping) {
    while (!data.empty()) {
        const auto sent = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) && !stopping) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

constexpr std::size_t kFloodBytes = 64u << 20;

}  // namespace

LoopbackServer::LoopbackServer(Bytes image, std::string fileTarget)
    : image_(std::move(image)), fileTarget_(std::move(fileTarget)) {
    // A proxy set for the machine must not stand between the fetcher and this server.
    ::setenv("no_proxy", "127.0.0.1", 1);
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("no loopback socket");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    acceptor_.join();
    for (auto& connection : connections_) {
        connection.join();
    }
    ::close(listener_);
}

std::string LoopbackServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

int LoopbackServer::hits(const std::string& path) {
    const std::lock_guard lock(mutex_);
    return hits_[path];
}

void LoopbackServer::acceptLoop() {
    while (!stopping_) {
        pollfd incoming{listener_, POLLIN, 0};
        if (::poll(&incoming, 1, 50) <= 0) {
            continue;
        }
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
            ++open_;
            connections_.emplace_back([this, fd] {
                serve(fd);
                ::close(fd);
                --open_;
            });
        }
    }
}

void LoopbackServer::serve(int fd) {
    const timeval wait{0, 200'000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    const auto sendAll = [this, fd](std::string_view data) {
        return sendWhole(fd, data, stopping_);
    };
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && !stopping_) {
        pollfd readable{fd, POLLIN, 0};
        if (::poll(&readable, 1, 50) <= 0) {
            continue;
        }
        const auto got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return;
        }
        request.append(buffer, static_cast<std::size_t>(got));
    }
    const auto start = request.find(' ') + 1;
    auto path = request.substr(start, request.find(' ', start) - start);
    path = path.substr(0, path.find('?'));
    {
        const std::lock_guard lock(mutex_);
        ++hits_[path];
    }
    const std::string ok = "HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\n";
    if (path == "/good.jpg") {
        sendAll(ok + "Content-Length: " + std::to_string(image_.size()) + "\r\n\r\n" +
                asText(image_));
    } else if (path == "/hop" || path == "/to-file") {
        const auto target = path == "/hop" ? url("/good.jpg") : fileTarget_;
        sendAll("HTTP/1.0 302 Found\r\nLocation: " + target + "\r\nContent-Length: 0\r\n\r\n");
    } else if (path == "/declared" || path == "/flood") {
        const auto head = path == "/declared"
                              ? ok + "Content-Length: " + std::to_string(kFloodBytes) + "\r\n\r\n"
                              : ok + "\r\n";
        // A whole picture first, so that only the cap can make the answer unusable.
        const std::string chunk(64 * 1024, 'x');
        bool open = sendAll(head + asText(image_));
        for (std::size_t sent = image_.size(); open && sent < kFloodBytes && !stopping_;
             sent += chunk.size()) {
            open = sendAll(chunk);
        }
    } else if (path == "/endless") {
        bool open = sendAll(ok + "\r\n");
        while (open && !stopping_) {
            open = sendAll("x");
            pollfd hangup{fd, POLLIN, 0};  // the client never sends more; readable means closed
            if (::poll(&hangup, 1, 20) > 0) {
                open = false;
            }
        }
    } else {
        sendAll("HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    }
}

}  // namespace sonaris::host::art::testing
