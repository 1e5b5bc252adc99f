#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include <signal.h>

#include "platform/desktop/host_folder_watch.hpp"
#include "platform/foundation/date.hpp"
#include "platform/foundation/file_descriptor.hpp"

namespace sonaris::platform::desktop {

// Something the live widget has to react to, found while its window waits for input.
enum class LiveEvent {
    hostFilesChanged,  // a burst of changes in the host's folders has settled
    reloadDue,         // the timeline's reload date has passed
    childExited,       // a process the widget started has ended
    quitRequested,     // SIGINT or SIGTERM
};

// Blocks SIGINT, SIGTERM and SIGCHLD in the calling thread for its lifetime, so that they are
// read from a signalfd instead of interrupting whatever runs. Take it before any other thread
// starts: threads inherit the mask.
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

// One thread that sleeps in poll() on the host folders, two timers and the blocked signals, and
// posts a LiveEvent for each thing that happens; nothing runs while nothing happens. A quit
// request the process has not acted on within 80 ms ends it from this thread.
class LiveEventSource {
  public:
    using Post = std::function<void(LiveEvent)>;

    // Nothing when a timer or the signalfd cannot be made. A folder watch that cannot be made
    // leaves the widget to the reload date alone.
    static std::unique_ptr<LiveEventSource> start(const BlockedSignals& signals,
                                                  std::vector<std::filesystem::path> hostFolders,
                                                  Post post, std::chrono::milliseconds settleTime);
    ~LiveEventSource();
    LiveEventSource(const LiveEventSource&) = delete;
    LiveEventSource& operator=(const LiveEventSource&) = delete;

    // Posts reloadDue once `date` has passed on the wall clock; unset cancels it.
    void scheduleReload(std::optional<foundation::Date> date);

    // Whether the host's folders are watched.
    bool watchesHostFolders() const { return watch_.has_value(); }

  private:
    LiveEventSource() = default;
    void run();

    Post post_;
    std::chrono::milliseconds settleTime_{};
    std::optional<HostFolderWatch> watch_;
    foundation::FileDescriptor reloadTimer_;
    foundation::FileDescriptor settleTimer_;
    foundation::FileDescriptor signals_;
    foundation::FileDescriptor stop_;
    std::thread thread_;
};

}  // namespace sonaris::platform::desktop
