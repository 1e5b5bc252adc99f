#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sdbus-c++/sdbus-c++.h>

#include "platform/desktop/accessibility/atspi/accessible_object.hpp"
#include "platform/desktop/accessibility/atspi/application_object.hpp"
#include "platform/desktop/accessibility/atspi/launcher_status.hpp"
#include "platform/desktop/accessibility/atspi/published_tree.hpp"
#include "platform/desktop/accessibility/bridge.hpp"
#include "platform/foundation/file_descriptor.hpp"

namespace sonaris::platform::desktop::accessibility::atspi {

// The widget on the accessibility bus while assistive technology is on: an application embedded
// in the registry's desktop, one object a node. Off, it holds only its session bus connection,
// to hear when it comes on.
class AtspiBridge final : public Bridge, private PublishedTree {
  public:
    AtspiBridge(BridgeSetup setup, std::unique_ptr<LauncherStatus> status);
    ~AtspiBridge() override;

    // False when the descriptor the loop is to poll could not be made.
    bool ready() const { return static_cast<bool>(epoll_); }

    PollRequest pollRequest() override;
    void dispatch() override;
    void show(const AccessibleTree& tree, const WindowPlacement& placement) override;

  private:
    // PublishedTree
    const AccessibleTree& tree() const override { return tree_; }
    Reference reference(std::size_t index) const override;
    Reference applicationReference() const override;
    Reference nullReference() const override;
    Reference desktopReference() const override { return desktop_; }
    PixelRect extents(std::size_t index, CoordinateType type) const override;
    void activate(std::size_t index) override;

    PublishedTree& published() { return *this; }
    void statusChanged(bool enabled);
    void publish();
    void unpublish();
    // Matches the objects to the tree just shown and tells readers what changed.
    void reconcile(const AccessibleTree& before, bool announce);
    void watch(sdbus::IConnection& connection);

    BridgeSetup setup_;
    std::unique_ptr<LauncherStatus> status_;
    foundation::FileDescriptor epoll_;
    std::vector<int> watched_;

    AccessibleTree tree_;
    WindowPlacement placement_;
    std::vector<std::string> identities_;

    // While published.
    std::unique_ptr<sdbus::IConnection> bus_;
    std::string uniqueName_;
    std::unique_ptr<sdbus::IProxy> registry_;
    std::unique_ptr<ApplicationObject> application_;
    std::map<std::string, std::unique_ptr<AccessibleObject>> objects_;  // by identity
    std::vector<AccessibleObject*> byIndex_;
    Reference desktop_;
    std::uint64_t nextSerial_ = 0;
};

}  // namespace sonaris::platform::desktop::accessibility::atspi
