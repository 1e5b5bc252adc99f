#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include <sdbus-c++/sdbus-c++.h>

#include "platform/desktop/accessibility/atspi/published_tree.hpp"

namespace sonaris::platform::desktop::accessibility::atspi {

// One node of the tree on the bus, with the interfaces its role calls for. It answers from the
// tree as last shown, wherever the node now stands in it; gone, its path answers with an error.
class AccessibleObject {
  public:
    AccessibleObject(sdbus::IConnection& connection, std::string path, Role role,
                     PublishedTree& published, std::size_t index);

    const std::string& path() const { return path_; }
    std::size_t index() const { return index_; }
    void moveTo(std::size_t index) { index_ = index; }

    // Event.Object signals from this object.
    void emitPropertyChange(const char* property, const sdbus::Variant& value);
    void emitChildrenChanged(const char* change, std::int32_t index, const Reference& child);

  private:
    const AccessibleNode& node() const { return published_.tree().nodes[index_]; }
    std::size_t childAt(std::int32_t position) const;
    void registerAccessible();
    void registerComponent();
    void registerAction();
    void registerValue();

    std::string path_;
    Role role_;
    PublishedTree& published_;
    std::size_t index_;
    std::unique_ptr<sdbus::IObject> object_;
};

}  // namespace sonaris::platform::desktop::accessibility::atspi
