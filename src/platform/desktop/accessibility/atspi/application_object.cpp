#include "platform/desktop/accessibility/atspi/application_object.hpp"

#include <clocale>
#include <map>
#include <vector>

namespace sonaris::platform::desktop::accessibility::atspi {

namespace {

using EventProperties = std::map<std::string, sdbus::Variant>;

std::vector<std::uint32_t> applicationStates() {
    return {0, 0};
}

}  // namespace

ApplicationObject::ApplicationObject(sdbus::IConnection& connection, std::string name,
                                     PublishedTree& published)
    : name_(std::move(name)),
      published_(published),
      root_(sdbus::createObject(connection, rootPath)),
      cache_(sdbus::createObject(connection, cachePath)) {
    registerAccessible();
    registerApplication();
    root_->finishRegistration();
    cache_->registerMethod("GetItems").onInterface(cacheInterface).implementedAs([this] {
        std::vector<CacheItem> items;
        for (std::size_t index = 0; index < published_.tree().nodes.size(); ++index)
            items.push_back(cacheItem(published_, index));
        return items;
    });
    cache_->finishRegistration();
}

void ApplicationObject::registerAccessible() {
    auto& o = *root_;
    const char* in = accessibleInterface;
    auto childCount = [this] {
        return static_cast<std::int32_t>(published_.tree().nodes.empty() ? 0 : 1);
    };
    o.registerProperty("Name").onInterface(in).withGetter([this] { return name_; });
    o.registerProperty("Description").onInterface(in).withGetter([] { return std::string(); });
    o.registerProperty("Parent").onInterface(in).withGetter(
        [this] { return published_.desktopReference(); });
    o.registerProperty("ChildCount").onInterface(in).withGetter(childCount);
    o.registerProperty("Locale").onInterface(in).withGetter([] {
        const char* locale = std::setlocale(LC_MESSAGES, nullptr);
        return std::string(locale ? locale : "C");
    });
    o.registerProperty("AccessibleId").onInterface(in).withGetter([] { return std::string(); });
    o.registerMethod("GetChildAtIndex")
        .onInterface(in)
        .implementedAs([this, childCount](std::int32_t at) {
            if (at < 0 || at >= childCount())
                throw sdbus::Error("org.freedesktop.DBus.Error.InvalidArgs",
                                   "no child at that index");
            return published_.reference(0);
        });
    o.registerMethod("GetChildren").onInterface(in).implementedAs([this, childCount] {
        std::vector<Reference> children;
        if (childCount() > 0)
            children.push_back(published_.reference(0));
        return children;
    });
    o.registerMethod("GetIndexInParent").onInterface(in).implementedAs([] {
        return std::int32_t{-1};
    });
    o.registerMethod("GetRelationSet").onInterface(in).implementedAs([] {
        return std::vector<sdbus::Struct<std::uint32_t, std::vector<Reference>>>();
    });
    o.registerMethod("GetRole").onInterface(in).implementedAs(
        [] { return static_cast<std::uint32_t>(AtspiRole::application); });
    o.registerMethod("GetRoleName").onInterface(in).implementedAs([] {
        return std::string("application");
    });
    o.registerMethod("GetLocalizedRoleName").onInterface(in).implementedAs([] {
        return std::string("application");
    });
    o.registerMethod("GetState").onInterface(in).implementedAs(applicationStates);
    o.registerMethod("GetAttributes").onInterface(in).implementedAs([] {
        return std::map<std::string, std::string>();
    });
    o.registerMethod("GetApplication").onInterface(in).implementedAs([this] {
        return published_.nullReference();
    });
    o.registerMethod("GetInterfaces").onInterface(in).implementedAs([] {
        return std::vector<std::string>{accessibleInterface, applicationInterface};
    });
}

void ApplicationObject::registerApplication() {
    auto& o = *root_;
    const char* in = applicationInterface;
    o.registerProperty("ToolkitName").onInterface(in).withGetter([] {
        return std::string("sonaris");
    });
    o.registerProperty("Version").onInterface(in).withGetter(
        [] { return std::string(SONARIS_VERSION); });
    o.registerProperty("ToolkitVersion").onInterface(in).withGetter([] {
        return std::string(SONARIS_VERSION);
    });
    o.registerProperty("AtspiVersion").onInterface(in).withGetter([] {
        return std::string("2.1");
    });
    o.registerProperty("InterfaceVersion").onInterface(in).withGetter([] {
        return std::uint32_t{0};
    });
    o.registerProperty("Id")
        .onInterface(in)
        .withGetter([this] { return id_; })
        .withSetter([this](std::int32_t id) { id_ = id; });
    o.registerMethod("GetLocale").onInterface(in).implementedAs([](std::uint32_t) {
        const char* locale = std::setlocale(LC_MESSAGES, nullptr);
        return std::string(locale ? locale : "C");
    });
    // Empty: readers talk to the widget on the accessibility bus itself.
    o.registerMethod("GetApplicationBusAddress").onInterface(in).implementedAs([] {
        return std::string();
    });
}

void ApplicationObject::emitChildrenChanged(const char* change, const Reference& child) {
    root_->emitSignal("ChildrenChanged")
        .onInterface(objectEventInterface)
        .withArguments(std::string(change), std::int32_t{0}, std::int32_t{0}, sdbus::Variant(child),
                       EventProperties());
}

void ApplicationObject::emitCacheAdded(std::size_t index) {
    cache_->emitSignal("AddAccessible")
        .onInterface(cacheInterface)
        .withArguments(cacheItem(published_, index));
}

void ApplicationObject::emitCacheRemoved(const Reference& gone) {
    cache_->emitSignal("RemoveAccessible").onInterface(cacheInterface).withArguments(gone);
}

}  // namespace sonaris::platform::desktop::accessibility::atspi
