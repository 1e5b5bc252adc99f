#include "platform/desktop/live_event_queue.hpp"

#include <sys/eventfd.h>

#include <cstdint>

namespace sonaris::platform::desktop {

LiveEventQueue::LiveEventQueue() : wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

void LiveEventQueue::post(LiveEvent event) {
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(event);
    }
    std::uint64_t one = 1;
    // A full counter still wakes the loop; nothing is lost by a failed write.
    [[maybe_unused]] auto written = ::write(wake_.get(), &one, sizeof one);
}

std::vector<LiveEvent> LiveEventQueue::take() {
    std::uint64_t count = 0;
    [[maybe_unused]] auto read = ::read(wake_.get(), &count, sizeof count);
    std::lock_guard lock(mutex_);
    return std::exchange(pending_, {});
}

}  // namespace sonaris::platform::desktop
