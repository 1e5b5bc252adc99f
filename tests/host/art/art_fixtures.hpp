#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/art/cover_art_fetcher.hpp"
#include "platform/image/image.hpp"

namespace sonaris::host::art::testing {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    std::uint8_t r, g, b;
};

// A baseline JPEG of one colour, or of a horizontal ramp from `colour` to black when `ramp`.
Bytes makeJpeg(int width, int height, Rgb colour, bool ramp = false);

std::string asText(const Bytes& bytes);

// The size a JPEG decodes to, and the colour at its centre, read back with the image module.
platform::image::PixelSize sizeOf(const Bytes& jpeg);
Rgb centreOf(const Bytes& jpeg);

// Polls the fetcher's descriptor until a result comes or `deadline` passes.
std::vector<CoverArtResult> awaitResults(CoverArtFetcher& fetcher,
                                         std::chrono::seconds deadline = std::chrono::seconds(60));

// An HTTP/1.0 server on 127.0.0.1 with fixed answers by path (a query is ignored), one thread a
// connection:
//   /good.jpg   200 with `image`
//   /missing    404
//   /declared   200 declaring a body of 64 MiB, then sending `image` and filler
//   /flood      the same without declaring its length
//   /endless    200 trickling a byte every 20 ms for as long as the client stays
//   /hop        302 to /good.jpg
//   /to-file    302 to `fileTarget`
class LoopbackServer {
  public:
    LoopbackServer(Bytes image, std::string fileTarget);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::string url(const std::string& path) const;
    int hits(const std::string& path);
    int openConnections() const { return open_.load(); }

  private:
    void acceptLoop();
    void serve(int fd);

    Bytes image_;
    std::string fileTarget_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> open_{0};
    std::mutex mutex_;
    std::map<std::string, int> hits_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

}  // namespace sonaris::host::art::testing
