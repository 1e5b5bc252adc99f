#pragma once

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "platform/foundation/date.hpp"
#include "platform/foundation/file_descriptor.hpp"

namespace sonaris::platform::desktop {

// Blocks SIGINT, SIGTERM and SIGCHLD in the calling thread for its lifetime, so that they are
// read from a signalfd instead of interrupting whatever runs.
class BlockedSignals {
  public:
    BlockedSignals();
    ~BlockedSignals();
    BlockedSignals(const BlockedSignals&) = delete;
    BlockedSignals& operator=(const BlockedSignals&) = delete;
    const sigset_t& signals() const { return blocked_; }

  private:
    sigset_t blocked_;
    sigset_t previous_;
};

// The live widget's one event loop: a single poll() over the blocked signals, one wall-clock
// timer, the display's connection and whatever else is added (the host folders' watch, a
// socket...). Nothing runs while nothing happens: no thread, no periodic wake-up. SIGINT and
// SIGTERM end the loop with success.
class LiveLoop {
  public:
    using Clock = std::chrono::steady_clock;
    using Id = std::uint64_t;
    using Ready = std::function<void(short revents)>;

    // Nothing when the signalfd or the timer cannot be made.
    static std::unique_ptr<LiveLoop> create();
    LiveLoop(const LiveLoop&) = delete;
    LiveLoop& operator=(const LiveLoop&) = delete;

    // Calls `ready` whenever poll() reports `events` (or an error) on `fd`; with `everyRound`
    // after every poll, with 0 when nothing came (a display that began a read ends it then).
    Id addSource(int fd, short events, Ready ready, bool everyRound = false);
    void setEvents(Id source, short events);
    void removeSource(Id source);

    // Calls `due` once, at `when` on the monotonic clock.
    Id addDeadline(Clock::time_point when, std::function<void()> due);
    void cancelDeadline(Id deadline);

    // Calls `due` once the wall clock reaches `date`, or at once when the wall clock is set,
    // since whatever was due by it has to be worked out anew; unset cancels it.
    void setWallClockDeadline(std::optional<foundation::Date> date, std::function<void()> due);

    // Runs before every poll (drawing what became due, sending requests).
    void beforePoll(std::function<void()> hook) { beforePoll_ = std::move(hook); }
    // Called for SIGCHLD.
    void onChildExited(std::function<void()> reaped) { childExited_ = std::move(reaped); }

    // Runs until quit() or a quitting signal; the exit status.
    int run();
    void quit(int status);
    // Whether SIGINT or SIGTERM is waiting: long work checks it between steps, so that the
    // widget ends within a step of being told to.
    bool quitPending();

  private:
    LiveLoop() = default;
    void readSignals();
    void armWallClock();

    struct Source {
        int fd;
        short events;
        Ready ready;
        bool everyRound;
    };
    struct Deadline {
        Clock::time_point when;
        std::function<void()> due;
    };

    BlockedSignals blocked_;
    foundation::FileDescriptor signals_;
    foundation::FileDescriptor wallClock_;
    std::map<Id, Source> sources_;
    std::map<Id, Deadline> deadlines_;
    std::optional<foundation::Date> wallDate_;
    std::function<void()> wallDue_;
    std::function<void()> beforePoll_;
    std::function<void()> childExited_;
    Id nextId_ = 1;
    std::optional<int> status_;
    bool quitSignalled_ = false;
};

}  // namespace sonaris::platform::desktop
