#include "host/art/cover_art_fetcher.hpp"

#include <sys/eventfd.h>
#include <unistd.h>

#include <utility>

namespace sonaris::host::art {

// Interim: answers every request with no art, so the host can be wired in meanwhile.
struct CoverArtFetcher::Impl {
    int fd = -1;
    std::vector<CoverArtResult> results;
    ~Impl() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

CoverArtFetcher::CoverArtFetcher(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
CoverArtFetcher::~CoverArtFetcher() = default;

std::unique_ptr<CoverArtFetcher> CoverArtFetcher::start(CoverArtLimits) {
    auto impl = std::make_unique<Impl>();
    impl->fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (impl->fd < 0) {
        return nullptr;
    }
    return std::unique_ptr<CoverArtFetcher>(new CoverArtFetcher(std::move(impl)));
}

void CoverArtFetcher::request(std::uint64_t ticket, std::string) {
    impl_->results.push_back({ticket, std::nullopt});
    std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(impl_->fd, &one, sizeof one);
}

int CoverArtFetcher::readyFd() const { return impl_->fd; }

std::vector<CoverArtResult> CoverArtFetcher::takeResults() {
    std::uint64_t count = 0;
    [[maybe_unused]] auto n = ::read(impl_->fd, &count, sizeof count);
    return std::exchange(impl_->results, {});
}

}  // namespace sonaris::host::art
