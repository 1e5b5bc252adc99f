#pragma once

#include <mutex>
#include <vector>

#include "platform/runtime/file_descriptor.hpp"
#include "platform/runtime/live_events.hpp"

namespace sonaris::platform::runtime::wayland {

// Hands LiveEvents from the event source's thread to the Wayland loop: the loop polls fd() beside
// the display's and takes what was posted.
class LiveEventQueue {
  public:
    LiveEventQueue();
    // Invalid when the eventfd could not be made.
    int fd() const { return wake_.get(); }

    // Any thread.
    void post(LiveEvent event);
    // The loop's thread: everything posted so far, in order.
    std::vector<LiveEvent> take();

  private:
    std::mutex mutex_;
    std::vector<LiveEvent> pending_;
    FileDescriptor wake_;
};

}  // namespace sonaris::platform::runtime::wayland
