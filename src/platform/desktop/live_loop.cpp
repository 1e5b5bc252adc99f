#include "platform/desktop/live_loop.hpp"

#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <vector>

#include "platform/runtime/program.hpp"

namespace sonaris::platform::desktop {

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

std::unique_ptr<LiveLoop> LiveLoop::create() {
    std::unique_ptr<LiveLoop> loop(new LiveLoop());
    loop->signals_ = foundation::FileDescriptor(
        signalfd(-1, &loop->blocked_.signals(), SFD_NONBLOCK | SFD_CLOEXEC));
    loop->wallClock_ =
        foundation::FileDescriptor(timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC));
    if (!loop->signals_ || !loop->wallClock_)
        return nullptr;
    return loop;
}

LiveLoop::Id LiveLoop::addSource(int fd, short events, Ready ready, bool everyRound) {
    Id id = nextId_++;
    sources_.emplace(id, Source{fd, events, std::move(ready), everyRound});
    return id;
}

void LiveLoop::setEvents(Id source, short events) {
    if (auto found = sources_.find(source); found != sources_.end())
        found->second.events = events;
}

void LiveLoop::removeSource(Id source) {
    sources_.erase(source);
}

LiveLoop::Id LiveLoop::addDeadline(Clock::time_point when, std::function<void()> due) {
    Id id = nextId_++;
    deadlines_.emplace(id, Deadline{when, std::move(due)});
    return id;
}

void LiveLoop::cancelDeadline(Id deadline) {
    deadlines_.erase(deadline);
}

void LiveLoop::setWallClockDeadline(std::optional<foundation::Date> date,
                                    std::function<void()> due) {
    wallDate_ = date;
    wallDue_ = std::move(due);
    armWallClock();
}

void LiveLoop::armWallClock() {
    itimerspec when{};
    int flags = 0;
    if (wallDate_) {
        double unixTime =
            wallDate_->timeIntervalSinceReferenceDate + foundation::Date::referenceDateUnixOffset;
        if (!std::isfinite(unixTime) || unixTime < 1)
            unixTime = 1;
        // Far beyond any real date; keeps the conversion to time_t defined.
        if (unixTime > 1e15)
            unixTime = 1e15;
        double seconds = std::floor(unixTime);
        when.it_value.tv_sec = static_cast<time_t>(seconds);
        when.it_value.tv_nsec = static_cast<long>((unixTime - seconds) * 1e9);
        flags = TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET;
    }
    timerfd_settime(wallClock_.get(), flags, &when, nullptr);
}

void LiveLoop::quit(int status) {
    if (!status_)
        status_ = status;
}

void LiveLoop::readSignals() {
    signalfd_siginfo info;
    while (::read(signals_.get(), &info, sizeof info) == sizeof info) {
        if (info.ssi_signo == SIGCHLD) {
            if (childExited_)
                childExited_();
        } else {
            quitSignalled_ = true;
        }
    }
}

bool LiveLoop::quitPending() {
    if (!quitSignalled_) {
        pollfd fd{signals_.get(), POLLIN, 0};
        if (::poll(&fd, 1, 0) > 0)
            readSignals();
    }
    return quitSignalled_ || status_;
}

int LiveLoop::run() {
    std::vector<pollfd> fds;
    std::vector<Id> ids;
    while (!status_) {
        if (quitSignalled_)
            return runtime::exitSuccess;
        if (beforePoll_)
            beforePoll_();
        if (status_)
            break;
        // Work before the poll may have read the signal already (quitPending()); nothing would
        // wake the poll for it again.
        if (quitSignalled_)
            return runtime::exitSuccess;

        fds.assign({{signals_.get(), POLLIN, 0}, {wallClock_.get(), POLLIN, 0}});
        ids.clear();
        for (const auto& [id, source] : sources_) {
            fds.push_back({source.fd, source.events, 0});
            ids.push_back(id);
        }
        int timeout = -1;
        if (!deadlines_.empty()) {
            Clock::time_point first = Clock::time_point::max();
            for (const auto& [id, deadline] : deadlines_)
                first = std::min(first, deadline.when);
            auto left = std::chrono::ceil<std::chrono::milliseconds>(first - Clock::now());
            timeout = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
        }
        int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR)
            return runtime::exitOutputFailed;
        if (ready < 0)
            continue;

        if (fds[0].revents) {
            readSignals();
            if (quitSignalled_)
                return runtime::exitSuccess;
        }
        if (fds[1].revents) {
            std::uint64_t count = 0;
            ssize_t length = ::read(wallClock_.get(), &count, sizeof count);
            // A wall clock that was set cancels the timer: what was due by it is due anew.
            if (length == sizeof count || (length < 0 && errno == ECANCELED)) {
                wallDate_.reset();
                if (auto due = std::move(wallDue_))
                    due();
            }
        }
        for (std::size_t i = 0; i < ids.size() && !status_; ++i) {
            // A source removed by an earlier callback in this round is skipped.
            auto found = sources_.find(ids[i]);
            if (found == sources_.end())
                continue;
            if (fds[i + 2].revents || found->second.everyRound)
                found->second.ready(fds[i + 2].revents);
        }
        auto now = Clock::now();
        std::vector<std::pair<Clock::time_point, Id>> due;
        for (const auto& [id, deadline] : deadlines_)
            if (deadline.when <= now)
                due.emplace_back(deadline.when, id);
        // In the order they were due, even when a late wake-up finds several; one callback may
        // cancel or add others.
        std::sort(due.begin(), due.end());
        for (auto [when, id] : due) {
            auto found = deadlines_.find(id);
            if (found == deadlines_.end() || status_)
                continue;
            auto call = std::move(found->second.due);
            deadlines_.erase(found);
            call();
        }
    }
    return *status_;
}

}  // namespace sonaris::platform::desktop
