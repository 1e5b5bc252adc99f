#pragma once

#include <mutex>
#include <vector>

#include "platform/desktop/live_events.hpp"
#include "platform/foundation/file_descriptor.hpp"

namespace sonaris::platform::desktop {

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
    foundation::FileDescriptor wake_;
};

}  // namespace sonaris::platform::desktop
