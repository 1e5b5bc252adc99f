#pragma once

#include <memory>
#include <string>

#include <sdbus-c++/sdbus-c++.h>

#include "platform/desktop/accessibility/atspi/published_tree.hpp"

namespace sonaris::platform::desktop::accessibility::atspi {

// The widget as an application on the bus, at the root path the registry embeds, with the card
// as its one child; and the cache a reader fills itself from in one call.
class ApplicationObject {
  public:
    ApplicationObject(sdbus::IConnection& connection, std::string name, PublishedTree& published);

    void emitChildrenChanged(const char* change, const Reference& child);
    void emitCacheAdded(std::size_t index);
    void emitCacheRemoved(const Reference& gone);

  private:
    void registerAccessible();
    void registerApplication();

    std::string name_;
    PublishedTree& published_;
    std::int32_t id_ = 0;  // the registry's number for the application
    std::unique_ptr<sdbus::IObject> root_;
    std::unique_ptr<sdbus::IObject> cache_;
};

}  // namespace sonaris::platform::desktop::accessibility::atspi
