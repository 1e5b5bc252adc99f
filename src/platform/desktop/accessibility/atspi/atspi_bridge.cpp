#include "platform/desktop/accessibility/atspi/atspi_bridge.hpp"

#include <poll.h>
#include <sys/epoll.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include "platform/desktop/accessibility/node_identity.hpp"

namespace sonaris::platform::desktop::accessibility::atspi {

namespace {

// Enough to empty a connection's queue in one go without letting one busy peer starve the
// widget; what is left makes the connection ask to be called again at once.
constexpr int maxMessagesADispatch = 64;

std::int32_t pixels(double points, double scale) {
    return static_cast<std::int32_t>(std::lround(points * scale));
}

}  // namespace

AtspiBridge::AtspiBridge(BridgeSetup setup, std::unique_ptr<LauncherStatus> status)
    : setup_(std::move(setup)),
      status_(std::move(status)),
      epoll_(epoll_create1(EPOLL_CLOEXEC)),
      desktop_(std::string(registryName), sdbus::ObjectPath(rootPath)) {
    status_->onChange([this](bool enabled) { statusChanged(enabled); });
    watch(status_->connection());
    if (status_->enabled())
        publish();
}

AtspiBridge::~AtspiBridge() {
    unpublish();
}

void AtspiBridge::watch(sdbus::IConnection& connection) {
    const auto poll = connection.getEventLoopPollData();
    epoll_event event{};
    event.events = static_cast<std::uint32_t>(poll.events) & (EPOLLIN | EPOLLOUT);
    event.data.fd = poll.fd;
    const bool known = std::find(watched_.begin(), watched_.end(), poll.fd) != watched_.end();
    if (epoll_ctl(epoll_.get(), known ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, poll.fd, &event) == 0 &&
        !known)
        watched_.push_back(poll.fd);
}

Bridge::PollRequest AtspiBridge::pollRequest() {
    PollRequest request{epoll_.get(), POLLIN, std::nullopt};
    auto consider = [&](sdbus::IConnection& connection) {
        watch(connection);
        const auto poll = connection.getEventLoopPollData();
        if (poll.timeout_usec == std::numeric_limits<std::uint64_t>::max())
            return;
        const std::chrono::steady_clock::time_point due{
            std::chrono::microseconds(poll.timeout_usec)};
        request.deadline = request.deadline ? std::min(*request.deadline, due) : due;
    };
    if (status_)
        consider(status_->connection());
    if (bus_)
        consider(*bus_);
    return request;
}

void AtspiBridge::dispatch() {
    if (status_) {
        try {
            for (int round = 0;
                 round < maxMessagesADispatch && status_->connection().processPendingRequest();
                 ++round) {
            }
        } catch (const sdbus::Error&) {
            // The session bus is gone: what is published stays, nothing more is heard of the
            // launcher.
            const int fd = status_->connection().getEventLoopPollData().fd;
            epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, fd, nullptr);
            std::erase(watched_, fd);
            status_.reset();
        }
    }
    if (bus_) {
        try {
            for (int round = 0;
                 round < maxMessagesADispatch && bus_ && bus_->processPendingRequest(); ++round) {
            }
        } catch (const sdbus::Error&) {
            unpublish();
        }
    }
}

void AtspiBridge::statusChanged(bool enabled) {
    if (enabled)
        publish();
    else
        unpublish();
}

void AtspiBridge::publish() {
    if (bus_ || !status_)
        return;
    auto address = status_->busAddress();
    if (!address)
        return;
    try {
        bus_ = sdbus::createSessionBusConnectionWithAddress(*address);
        uniqueName_ = bus_->getUniqueName();
        application_ =
            std::make_unique<ApplicationObject>(*bus_, setup_.applicationName, published());
        reconcile(AccessibleTree{}, false);
        registry_ = sdbus::createProxy(*bus_, registryName, rootPath);
        registry_->finishRegistration();
        registry_->callMethodAsync("Embed")
            .onInterface(socketInterface)
            .withArguments(applicationReference())
            .uponReplyInvoke([this](const sdbus::Error* error, Reference desktop) {
                if (!error)
                    desktop_ = std::move(desktop);
            });
        watch(*bus_);
    } catch (const sdbus::Error&) {
        unpublish();
    }
}

void AtspiBridge::unpublish() {
    if (!bus_)
        return;
    if (registry_) {
        try {
            registry_->callMethod("Unembed")
                .onInterface(socketInterface)
                .withArguments(applicationReference())
                .dontExpectReply();
        } catch (const sdbus::Error&) {
        }
    }
    const int fd = bus_->getEventLoopPollData().fd;
    epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, fd, nullptr);
    std::erase(watched_, fd);
    objects_.clear();
    byIndex_.clear();
    identities_.clear();
    application_.reset();
    registry_.reset();
    // Closing flushes what is queued, the farewell to the registry with it.
    bus_.reset();
}

void AtspiBridge::show(const AccessibleTree& tree, const WindowPlacement& placement) {
    AccessibleTree before = std::exchange(tree_, tree);
    placement_ = placement;
    if (!bus_)
        return;
    try {
        reconcile(before, true);
    } catch (const sdbus::Error&) {
        unpublish();
    }
}

void AtspiBridge::reconcile(const AccessibleTree& before, bool announce) {
    auto identities = nodeIdentities(tree_);
    std::map<std::string, std::unique_ptr<AccessibleObject>> kept;
    std::vector<AccessibleObject*> byIndex(tree_.nodes.size());
    std::vector<std::size_t> added;
    std::vector<std::size_t> renamed;
    std::vector<std::size_t> moved;  // progress changed
    for (std::size_t index = 0; index < tree_.nodes.size(); ++index) {
        const AccessibleNode& node = tree_.nodes[index];
        std::unique_ptr<AccessibleObject> object;
        if (auto found = objects_.find(identities[index]); found != objects_.end()) {
            object = std::move(found->second);
            objects_.erase(found);
            const AccessibleNode& old = before.nodes[object->index()];
            if (old.name != node.name)
                renamed.push_back(index);
            if (old.progress != node.progress)
                moved.push_back(index);
            object->moveTo(index);
        } else {
            object = std::make_unique<AccessibleObject>(
                *bus_, objectPathPrefix + std::to_string(nextSerial_++), node.role, published(),
                index);
            added.push_back(index);
        }
        byIndex[index] = object.get();
        kept.emplace(identities[index], std::move(object));
    }

    // What is left in objects_ has gone; its parent, where it stays, says so.
    for (auto& [identity, object] : objects_) {
        const Reference gone(uniqueName_, sdbus::ObjectPath(object->path()));
        if (announce) {
            const auto& oldParent = before.nodes[object->index()].parent;
            if (oldParent) {
                const auto& siblings = before.nodes[*oldParent].children;
                const auto position =
                    std::find(siblings.begin(), siblings.end(), object->index()) - siblings.begin();
                if (auto parent = kept.find(identities_[*oldParent]); parent != kept.end())
                    parent->second->emitChildrenChanged("remove",
                                                        static_cast<std::int32_t>(position), gone);
            } else {
                application_->emitChildrenChanged("remove", gone);
            }
            application_->emitCacheRemoved(gone);
        }
    }
    objects_ = std::move(kept);
    byIndex_ = std::move(byIndex);
    identities_ = std::move(identities);
    if (!announce)
        return;

    for (std::size_t index : added) {
        application_->emitCacheAdded(index);
        const auto& parent = tree_.nodes[index].parent;
        if (!parent) {
            application_->emitChildrenChanged("add", reference(index));
            continue;
        }
        // A new parent is announced whole.
        if (std::find(added.begin(), added.end(), *parent) != added.end())
            continue;
        const auto& siblings = tree_.nodes[*parent].children;
        const auto position = std::find(siblings.begin(), siblings.end(), index) - siblings.begin();
        byIndex_[*parent]->emitChildrenChanged("add", static_cast<std::int32_t>(position),
                                               reference(index));
    }
    for (std::size_t index : renamed)
        byIndex_[index]->emitPropertyChange("accessible-name",
                                            sdbus::Variant(tree_.nodes[index].name));
    for (std::size_t index : moved)
        byIndex_[index]->emitPropertyChange(
            "accessible-value",
            sdbus::Variant(tree_.nodes[index].progress.value_or(Progress{}).current));
}

Reference AtspiBridge::reference(std::size_t index) const {
    return Reference(uniqueName_, sdbus::ObjectPath(byIndex_.at(index)->path()));
}

Reference AtspiBridge::applicationReference() const {
    return Reference(uniqueName_, sdbus::ObjectPath(rootPath));
}

Reference AtspiBridge::nullReference() const {
    return Reference(uniqueName_, sdbus::ObjectPath(nullPath));
}

PixelRect AtspiBridge::extents(std::size_t index, CoordinateType type) const {
    const Extent& frame = tree_.nodes.at(index).frame;
    const double scale = placement_.scale;
    std::int32_t x = pixels(frame.x, scale);
    std::int32_t y = pixels(frame.y, scale);
    const std::int32_t width = pixels(frame.x + frame.width, scale) - x;
    const std::int32_t height = pixels(frame.y + frame.height, scale) - y;
    if (type == CoordinateType::screen && placement_.origin) {
        x += placement_.origin->first;
        y += placement_.origin->second;
    }
    if (type == CoordinateType::parent) {
        if (const auto& parent = tree_.nodes[index].parent) {
            const Extent& outer = tree_.nodes[*parent].frame;
            x -= pixels(outer.x, scale);
            y -= pixels(outer.y, scale);
        }
    }
    return PixelRect(x, y, width, height);
}

void AtspiBridge::activate(std::size_t index) {
    if (index < tree_.nodes.size() && tree_.nodes[index].role == Role::button && setup_.activate)
        setup_.activate(index);
}

}  // namespace sonaris::platform::desktop::accessibility::atspi

// The module's entry point: a bridge where the session has an accessibility launcher, nothing
// (and not a word) where it has none.
extern "C" __attribute__((visibility("default"))) void sonaris_accessibility_open_bridge(
    const sonaris::platform::desktop::accessibility::BridgeSetup& setup,
    std::unique_ptr<sonaris::platform::desktop::accessibility::Bridge>& bridge) {
    using namespace sonaris::platform::desktop::accessibility;
    try {
        auto status = atspi::LauncherStatus::connect();
        if (!status)
            return;
        auto made = std::make_unique<atspi::AtspiBridge>(setup, std::move(status));
        if (made->ready())
            bridge = std::move(made);
    } catch (const std::exception&) {
        bridge.reset();
    }
}
