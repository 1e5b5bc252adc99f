#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <sdbus-c++/sdbus-c++.h>

#include "platform/desktop/accessibility/accessible_tree.hpp"
#include "platform/desktop/accessibility/atspi/atspi_names.hpp"

namespace sonaris::platform::desktop::accessibility::atspi {

// An object on the bus: the bus name that serves it and its path.
using Reference = sdbus::Struct<std::string, sdbus::ObjectPath>;

// A rectangle in pixels: x, y, width, height.
using PixelRect = sdbus::Struct<std::int32_t, std::int32_t, std::int32_t, std::int32_t>;

// One row of the cache: the object, its application, its parent, its index there, its child
// count, its interfaces, name, role, description and states.
using CacheItem = sdbus::Struct<Reference, Reference, Reference, std::int32_t, std::int32_t,
                                std::vector<std::string>, std::string, std::uint32_t, std::string,
                                std::vector<std::uint32_t>>;

// What the objects on the bus read the widget through: the tree last shown and where it stands.
class PublishedTree {
  public:
    virtual const AccessibleTree& tree() const = 0;
    virtual Reference reference(std::size_t index) const = 0;
    virtual Reference applicationReference() const = 0;
    virtual Reference nullReference() const = 0;
    virtual Reference desktopReference() const = 0;
    // Node `index`'s extents in the coordinates a reader asked for.
    virtual PixelRect extents(std::size_t index, CoordinateType type) const = 0;
    virtual void activate(std::size_t index) = 0;

  protected:
    ~PublishedTree() = default;
};

// How AT-SPI describes a node.
AtspiRole atspiRole(Role role);
const char* roleName(Role role);
std::vector<std::string> interfacesOf(Role role);
std::vector<std::uint32_t> statesOf(Role role);
CacheItem cacheItem(const PublishedTree& published, std::size_t index);

}  // namespace sonaris::platform::desktop::accessibility::atspi
