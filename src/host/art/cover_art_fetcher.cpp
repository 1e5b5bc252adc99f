#include "host/art/cover_art_fetcher.hpp"

#include <malloc.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>
#include <utility>

#include "host/art/http_transfer.hpp"
#include "host/art/jpeg_file_cover.hpp"
#include "host/art/jpeg_reencoder.hpp"
#include "host/art/local_art.hpp"

namespace sonaris::host::art {

namespace {

constexpr std::size_t kCachedUrls = 8;
// Far beyond any real address, and short enough that the cache's keys stay small whatever a
// player sends.
constexpr std::size_t kLongestHttpUrl = 16 * 1024;

// Recently fetched HTTP art, newest first; it holds re-encoded JPEGs, a few tens of kilobytes
// each.
class RecentArt {
  public:
    const Cover* find(const std::string& url) {
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->first == url) {
                entries_.splice(entries_.begin(), entries_, it);
                return &entries_.front().second;
            }
        }
        return nullptr;
    }
    void add(std::string url, Cover cover) {
        entries_.emplace_front(std::move(url), std::move(cover));
        if (entries_.size() > kCachedUrls) {
            entries_.pop_back();
        }
    }

  private:
    std::list<std::pair<std::string, Cover>> entries_;
};

class EventFd {
  public:
    EventFd() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~EventFd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    EventFd(const EventFd&) = delete;
    EventFd& operator=(const EventFd&) = delete;
    int get() const { return fd_; }
    void raise() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(fd_, &one, sizeof one);
    }
    void clear() const {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto got = ::read(fd_, &count, sizeof count);
    }

  private:
    int fd_;
};

bool isHttp(std::string_view url) {
    return hasScheme(url, "http") || hasScheme(url, "https");
}

}  // namespace

struct CoverArtFetcher::Impl {
    CoverArtLimits limits;
    EventFd ready;

    std::mutex mutex;
    std::condition_variable wakeWorker;
    struct Request {
        std::uint64_t ticket;
        std::string url;
    };
    std::optional<Request> waiting;  // only the newest: older ones are superseded
    std::uint64_t generation = 0;    // counts requests, so a worker sees when it is overtaken
    bool stopping = false;
    std::vector<CoverArtResult> results;
    std::vector<std::string> notices;
    // Made on the first HTTP request: libcurl's TLS set-up costs a few megabytes that players
    // with local art never need. Set by the worker under `mutex`, which other threads hold to
    // wake it.
    std::unique_ptr<HttpTransfer> http;
    bool httpUnavailable = false;  // the worker's alone: libcurl could not be loaded, once

    RecentArt recent;  // the worker's alone
    std::thread worker;

    void wakeHttp() {  // with `mutex` held
        if (http) {
            http->wake();
        }
    }

    bool overtaken(std::uint64_t mine) {
        const std::lock_guard lock(mutex);
        return stopping || generation != mine;
    }

    std::optional<Cover> resolve(const std::string& url, std::uint64_t mine) {
        const auto reencode = [this](std::optional<std::vector<std::uint8_t>> bytes) {
            return bytes ? reencodeAsJpeg(std::move(*bytes), limits.maxSide) : std::nullopt;
        };
        if (hasScheme(url, "file")) {
            // A JPEG (a photograph, most often) is decoded as it is read; other pictures whole.
            if (const auto path = filePathOf(url)) {
                if (auto cover = jpegFileCover(*path, limits.maxSide, limits.maxSourceBytes)) {
                    return cover;
                }
            }
            return reencode(readFileUrl(url, limits.maxSourceBytes));
        }
        if (hasScheme(url, "data")) {
            return reencode(decodeDataUri(url, limits.maxSourceBytes));
        }
        if (!isHttp(url) || url.size() > kLongestHttpUrl) {
            return std::nullopt;
        }
        if (const auto* cached = recent.find(url)) {
            return *cached;
        }
        if (!http && !startHttp()) {
            return std::nullopt;
        }
        auto cover = reencode(http->fetch(url, [this, mine] { return overtaken(mine); }));
        if (cover) {  // even when overtaken meanwhile: the whole answer came
            recent.add(url, *cover);
        }
        return cover;
    }

    // Loads libcurl on the first HTTP request; when it cannot be, HTTP art stays off for the
    // fetcher's life and the user is told why once rather than on every track.
    bool startHttp() {
        if (httpUnavailable) {
            return false;
        }
        auto made = HttpTransfer::create({.maxBodyBytes = limits.maxSourceBytes,
                                          .connectTimeout = limits.connectTimeout,
                                          .transferTimeout = limits.transferTimeout},
                                         limits.httpLibrary);
        const std::lock_guard lock(mutex);
        if (auto* reason = std::get_if<std::string>(&made)) {
            httpUnavailable = true;
            notices.push_back("no cover art from http(s) URLs: " + *reason);
            ready.raise();
            return false;
        }
        http = std::move(std::get<std::unique_ptr<HttpTransfer>>(made));
        return true;
    }

    void run() {
        std::unique_lock lock(mutex);
        for (;;) {
            wakeWorker.wait(lock, [this] { return stopping || waiting.has_value(); });
            if (stopping) {
                return;
            }
            auto request = std::move(*waiting);
            waiting.reset();
            const auto mine = generation;
            lock.unlock();
            auto cover = resolve(request.url, mine);
            // A large cover passes through tens of megabytes of buffers that glibc would keep
            // for the rest of the host's life; hand them back to the system now.
            ::malloc_trim(0);
            lock.lock();
            if (!stopping && generation == mine) {
                CoverArtResult result{request.ticket, std::nullopt};
                if (cover) {
                    result.jpeg = std::move(cover->jpeg);
                    result.sourcePixels =
                        std::int64_t{cover->sourceSize.width} * cover->sourceSize.height;
                }
                results.push_back(std::move(result));
                ready.raise();
            }
        }
    }
};

CoverArtFetcher::CoverArtFetcher(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

CoverArtFetcher::~CoverArtFetcher() {
    {
        const std::lock_guard lock(impl_->mutex);
        impl_->stopping = true;
        impl_->wakeHttp();
    }
    impl_->wakeWorker.notify_one();
    impl_->worker.join();
}

std::unique_ptr<CoverArtFetcher> CoverArtFetcher::start(CoverArtLimits limits) {
    auto impl = std::make_unique<Impl>();
    impl->limits = limits;
    if (impl->ready.get() < 0) {
        return nullptr;
    }
    try {
        impl->worker = std::thread([raw = impl.get()] { raw->run(); });
    } catch (const std::system_error&) {
        return nullptr;
    }
    return std::unique_ptr<CoverArtFetcher>(new CoverArtFetcher(std::move(impl)));
}

void CoverArtFetcher::request(std::uint64_t ticket, std::string artUrl) {
    {
        const std::lock_guard lock(impl_->mutex);
        impl_->waiting = Impl::Request{ticket, std::move(artUrl)};
        ++impl_->generation;
        impl_->wakeHttp();
    }
    impl_->wakeWorker.notify_one();
}

int CoverArtFetcher::readyFd() const {
    return impl_->ready.get();
}

// The descriptor stays readable while either list holds something, whichever is drained first.
std::vector<CoverArtResult> CoverArtFetcher::takeResults() {
    const std::lock_guard lock(impl_->mutex);
    if (impl_->notices.empty()) {
        impl_->ready.clear();
    }
    return std::exchange(impl_->results, {});
}

std::vector<std::string> CoverArtFetcher::takeNotices() {
    const std::lock_guard lock(impl_->mutex);
    if (impl_->results.empty()) {
        impl_->ready.clear();
    }
    return std::exchange(impl_->notices, {});
}

}  // namespace sonaris::host::art
