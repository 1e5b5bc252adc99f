#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sonaris::host::art {

struct CoverArtLimits {
    std::size_t maxSourceBytes = 32u << 20;           // file, data: or HTTP body
    std::chrono::milliseconds transferTimeout{8000};  // whole HTTP transfer
    std::chrono::milliseconds connectTimeout{3000};
    int maxSide = 640;                         // pixels, the JPEG written for the widget
    std::string httpLibrary = "libcurl.so.4";  // opened on the first http(s) URL
};

struct CoverArtResult {
    std::uint64_t ticket;
    std::optional<std::vector<std::uint8_t>> jpeg;  // nothing: no usable art for that request
    std::int64_t sourcePixels = 0;                  // how many the picture had before it was shrunk
};

// Resolves art URLs (file://, data:, http://, https://) to a JPEG at most maxSide a side on a
// worker thread; never blocks the caller.
class CoverArtFetcher {
  public:
    static std::unique_ptr<CoverArtFetcher> start(CoverArtLimits limits = {});  // null on failure
    ~CoverArtFetcher();
    CoverArtFetcher(const CoverArtFetcher&) = delete;
    CoverArtFetcher& operator=(const CoverArtFetcher&) = delete;

    // A newer request supersedes older ones still waiting; results carry their ticket. A request
    // superseded before its result is ready gives no result, and its HTTP transfer is cut short.
    // file:// and data: are read afresh every time (players rewrite the same path); HTTP answers
    // are kept for a few URLs.
    void request(std::uint64_t ticket, std::string artUrl);
    int readyFd() const;                        // readable while results wait (poll it)
    std::vector<CoverArtResult> takeResults();  // drains; never blocks
    // One-line reasons the user should see, such as HTTP art being unavailable because libcurl
    // cannot be loaded (said once); readyFd() turns readable when one waits. Drains.
    std::vector<std::string> takeNotices();

  private:
    struct Impl;
    explicit CoverArtFetcher(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace sonaris::host::art
