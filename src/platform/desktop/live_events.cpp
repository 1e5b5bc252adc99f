#include "platform/desktop/live_events.hpp"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace sonaris::platform::desktop {

namespace {

// Reads a timer's or an eventfd's counter; false when there was nothing to read.
bool drainCounter(int fd) {
    std::uint64_t count = 0;
    ssize_t length;
    do {
        length = ::read(fd, &count, sizeof count);
    } while (length < 0 && errno == EINTR);
    return length == sizeof count;
}

}  // namespace

BlockedSignals::BlockedSignals() {
    sigemptyset(&blocked_);
    sigaddset(&blocked_, SIGINT);
    sigaddset(&blocked_, SIGTERM);
    sigaddset(&blocked_, SIGCHLD);
    pthread_sigmask(SIG_BLOCK, &blocked_, &previous_);
}

BlockedSignals::~BlockedSignals() {
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

std::unique_ptr<LiveEventSource> LiveEventSource::start(
    const BlockedSignals& signals, std::vector<std::filesystem::path> hostFolders, Post post,
    std::chrono::milliseconds settleTime) {
    std::unique_ptr<LiveEventSource> source(new LiveEventSource());
    source->post_ = std::move(post);
    source->settleTime_ = settleTime;
    source->watch_ = HostFolderWatch::create(std::move(hostFolders));
    source->reloadTimer_ =
        foundation::FileDescriptor(timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC));
    source->settleTimer_ =
        foundation::FileDescriptor(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC));
    source->signals_ =
        foundation::FileDescriptor(signalfd(-1, &signals.signals(), SFD_NONBLOCK | SFD_CLOEXEC));
    source->stop_ = foundation::FileDescriptor(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!source->reloadTimer_ || !source->settleTimer_ || !source->signals_ || !source->stop_)
        return nullptr;
    source->thread_ = std::thread([raw = source.get()] { raw->run(); });
    return source;
}

LiveEventSource::~LiveEventSource() {
    if (thread_.joinable()) {
        std::uint64_t one = 1;
        [[maybe_unused]] auto written = ::write(stop_.get(), &one, sizeof one);
        thread_.join();
    }
}

void LiveEventSource::scheduleReload(std::optional<foundation::Date> date) {
    itimerspec when{};
    int flags = 0;
    if (date) {
        double unixTime =
            date->timeIntervalSinceReferenceDate + foundation::Date::referenceDateUnixOffset;
        if (!std::isfinite(unixTime) || unixTime < 1)
            unixTime = 1;
        // Far beyond any real reload date; keeps the conversion to time_t defined.
        if (unixTime > 1e15)
            unixTime = 1e15;
        double seconds = std::floor(unixTime);
        when.it_value.tv_sec = static_cast<time_t>(seconds);
        when.it_value.tv_nsec = static_cast<long>((unixTime - seconds) * 1e9);
        // A jump of the wall clock wakes the timer early, and a fresh timeline is then in order.
        flags = TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET;
    }
    timerfd_settime(reloadTimer_.get(), flags, &when, nullptr);
}

void LiveEventSource::run() {
    bool settling = false;
    // The window's thread reads quitRequested between redraws; one still drawing (a cover slow to
    // decode) would keep SIGTERM waiting. Past this grace the process ends from here: the live
    // widget writes no files, so nothing is left half done.
    constexpr auto quitGrace = std::chrono::milliseconds(80);
    std::optional<std::chrono::steady_clock::time_point> quitBy;
    for (;;) {
        pollfd fds[5] = {
            {stop_.get(), POLLIN, 0},
            {signals_.get(), POLLIN, 0},
            {reloadTimer_.get(), POLLIN, 0},
            {settleTimer_.get(), POLLIN, 0},
            {watch_ ? watch_->fd() : -1, POLLIN, 0},
        };
        int timeout = -1;
        if (quitBy) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                *quitBy - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                std::_Exit(0);
            timeout = static_cast<int>(left.count());
        }
        if (::poll(fds, 5, timeout) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents)
            return;

        if (fds[1].revents) {
            signalfd_siginfo info;
            while (::read(signals_.get(), &info, sizeof info) == sizeof info) {
                if (info.ssi_signo == SIGCHLD) {
                    post_(LiveEvent::childExited);
                } else {
                    post_(LiveEvent::quitRequested);
                    if (!quitBy)
                        quitBy = std::chrono::steady_clock::now() + quitGrace;
                }
            }
        }
        if (fds[2].revents) {
            std::uint64_t count = 0;
            ssize_t length = ::read(reloadTimer_.get(), &count, sizeof count);
            if (length == sizeof count || (length < 0 && errno == ECANCELED))
                post_(LiveEvent::reloadDue);
        }
        if (fds[3].revents && drainCounter(settleTimer_.get())) {
            settling = false;
            post_(LiveEvent::hostFilesChanged);
        }
        if (fds[4].revents && watch_->readEvents() && !settling) {
            // A save is usually several events (create, write, rename); one reload after the
            // first settles them all, without letting a steady trickle of writes delay it.
            settling = true;
            itimerspec when{};
            auto nanoseconds = std::chrono::nanoseconds(settleTime_).count();
            when.it_value.tv_sec = static_cast<time_t>(nanoseconds / 1'000'000'000);
            when.it_value.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
            if (when.it_value.tv_sec == 0 && when.it_value.tv_nsec == 0)
                when.it_value.tv_nsec = 1;
            timerfd_settime(settleTimer_.get(), 0, &when, nullptr);
        }
    }
}

}  // namespace sonaris::platform::desktop
