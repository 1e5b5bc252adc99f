#include "platform/desktop/accessibility/atspi/accessible_object.hpp"

#include <clocale>
#include <map>
#include <tuple>
#include <vector>

namespace sonaris::platform::desktop::accessibility::atspi {

namespace {

constexpr const char* invalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";

using Relation = sdbus::Struct<std::uint32_t, std::vector<Reference>>;
using EventProperties = std::map<std::string, sdbus::Variant>;

bool contains(const PixelRect& rect, std::int32_t x, std::int32_t y) {
    const auto left = std::get<0>(rect);
    const auto top = std::get<1>(rect);
    return x >= left && x < left + std::get<2>(rect) && y >= top && y < top + std::get<3>(rect);
}

}  // namespace

AccessibleObject::AccessibleObject(sdbus::IConnection& connection, std::string path, Role role,
                                   PublishedTree& published, std::size_t index)
    : path_(std::move(path)),
      role_(role),
      published_(published),
      index_(index),
      object_(sdbus::createObject(connection, path_)) {
    registerAccessible();
    registerComponent();
    if (role_ == Role::button)
        registerAction();
    if (role_ == Role::progressBar)
        registerValue();
    object_->finishRegistration();
}

std::size_t AccessibleObject::childAt(std::int32_t position) const {
    const auto& children = node().children;
    if (position < 0 || static_cast<std::size_t>(position) >= children.size())
        throw sdbus::Error(invalidArgs, "no child at that index");
    return children[static_cast<std::size_t>(position)];
}

void AccessibleObject::registerAccessible() {
    auto& o = *object_;
    const char* in = accessibleInterface;
    o.registerProperty("Name").onInterface(in).withGetter([this] { return node().name; });
    o.registerProperty("Description").onInterface(in).withGetter([] { return std::string(); });
    o.registerProperty("Parent").onInterface(in).withGetter([this] {
        const auto& parent = node().parent;
        return parent ? published_.reference(*parent) : published_.applicationReference();
    });
    o.registerProperty("ChildCount").onInterface(in).withGetter([this] {
        return static_cast<std::int32_t>(node().children.size());
    });
    o.registerProperty("Locale").onInterface(in).withGetter([] {
        const char* locale = std::setlocale(LC_MESSAGES, nullptr);
        return std::string(locale ? locale : "C");
    });
    o.registerProperty("AccessibleId").onInterface(in).withGetter([] { return std::string(); });
    o.registerMethod("GetChildAtIndex").onInterface(in).implementedAs([this](std::int32_t at) {
        return published_.reference(childAt(at));
    });
    o.registerMethod("GetChildren").onInterface(in).implementedAs([this] {
        std::vector<Reference> children;
        for (std::size_t child : node().children)
            children.push_back(published_.reference(child));
        return children;
    });
    o.registerMethod("GetIndexInParent").onInterface(in).implementedAs([this] {
        return std::get<3>(cacheItem(published_, index_));
    });
    o.registerMethod("GetRelationSet").onInterface(in).implementedAs([] {
        return std::vector<Relation>();
    });
    o.registerMethod("GetRole").onInterface(in).implementedAs(
        [this] { return static_cast<std::uint32_t>(atspiRole(role_)); });
    o.registerMethod("GetRoleName").onInterface(in).implementedAs([this] {
        return std::string(roleName(role_));
    });
    o.registerMethod("GetLocalizedRoleName").onInterface(in).implementedAs([this] {
        return std::string(roleName(role_));
    });
    o.registerMethod("GetState").onInterface(in).implementedAs([this] { return statesOf(role_); });
    o.registerMethod("GetAttributes").onInterface(in).implementedAs([] {
        return std::map<std::string, std::string>();
    });
    o.registerMethod("GetApplication").onInterface(in).implementedAs([this] {
        return published_.applicationReference();
    });
    o.registerMethod("GetInterfaces").onInterface(in).implementedAs([this] {
        return interfacesOf(role_);
    });
}

void AccessibleObject::registerComponent() {
    auto& o = *object_;
    const char* in = componentInterface;
    auto extents = [this](std::uint32_t type) {
        if (type > static_cast<std::uint32_t>(CoordinateType::parent))
            throw sdbus::Error(invalidArgs, "unknown coordinate type");
        return published_.extents(index_, static_cast<CoordinateType>(type));
    };
    o.registerMethod("Contains")
        .onInterface(in)
        .implementedAs([extents](std::int32_t x, std::int32_t y, std::uint32_t type) {
            return contains(extents(type), x, y);
        });
    o.registerMethod("GetAccessibleAtPoint")
        .onInterface(in)
        .implementedAs([this](std::int32_t x, std::int32_t y, std::uint32_t type) {
            if (type > static_cast<std::uint32_t>(CoordinateType::parent))
                throw sdbus::Error(invalidArgs, "unknown coordinate type");
            // The front-most child under the point, searched in depth.
            std::optional<std::size_t> found;
            std::size_t at = index_;
            for (bool deeper = true; deeper;) {
                deeper = false;
                const auto& children = published_.tree().nodes[at].children;
                for (auto child = children.rbegin(); child != children.rend(); ++child) {
                    if (contains(published_.extents(*child, static_cast<CoordinateType>(type)), x,
                                 y)) {
                        found = at = *child;
                        deeper = true;
                        break;
                    }
                }
            }
            return found ? published_.reference(*found) : published_.nullReference();
        });
    o.registerMethod("GetExtents").onInterface(in).implementedAs(extents);
    o.registerMethod("GetPosition").onInterface(in).implementedAs([extents](std::uint32_t type) {
        const auto rect = extents(type);
        return std::tuple<std::int32_t, std::int32_t>(std::get<0>(rect), std::get<1>(rect));
    });
    o.registerMethod("GetSize").onInterface(in).implementedAs([extents] {
        const auto rect = extents(static_cast<std::uint32_t>(CoordinateType::window));
        return std::tuple<std::int32_t, std::int32_t>(std::get<2>(rect), std::get<3>(rect));
    });
    o.registerMethod("GetLayer").onInterface(in).implementedAs([this] {
        return role_ == Role::card ? windowLayer : widgetLayer;
    });
    o.registerMethod("GetMDIZOrder").onInterface(in).implementedAs([] { return std::int16_t{0}; });
    o.registerMethod("GrabFocus").onInterface(in).implementedAs([] { return false; });
    o.registerMethod("GetAlpha").onInterface(in).implementedAs([] { return 1.0; });
    // The widget is placed by its settings, never by a reader.
    o.registerMethod("SetExtents")
        .onInterface(in)
        .implementedAs([](std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint32_t) {
            return false;
        });
    o.registerMethod("SetPosition")
        .onInterface(in)
        .implementedAs([](std::int32_t, std::int32_t, std::uint32_t) { return false; });
    o.registerMethod("SetSize").onInterface(in).implementedAs(
        [](std::int32_t, std::int32_t) { return false; });
    o.registerMethod("ScrollTo").onInterface(in).implementedAs([](std::uint32_t) { return false; });
    o.registerMethod("ScrollToPoint")
        .onInterface(in)
        .implementedAs([](std::uint32_t, std::int32_t, std::int32_t) { return false; });
}

void AccessibleObject::registerAction() {
    auto& o = *object_;
    const char* in = actionInterface;
    auto only = [](std::int32_t action) {
        if (action != 0)
            throw sdbus::Error(invalidArgs, "a button has one action, 0");
    };
    o.registerProperty("NActions").onInterface(in).withGetter([] { return std::int32_t{1}; });
    o.registerMethod("GetName").onInterface(in).implementedAs([only](std::int32_t action) {
        only(action);
        return std::string("click");
    });
    o.registerMethod("GetLocalizedName").onInterface(in).implementedAs([only](std::int32_t action) {
        only(action);
        return std::string("click");
    });
    o.registerMethod("GetDescription").onInterface(in).implementedAs([only](std::int32_t action) {
        only(action);
        return std::string();
    });
    o.registerMethod("GetKeyBinding").onInterface(in).implementedAs([only](std::int32_t action) {
        only(action);
        return std::string();
    });
    o.registerMethod("GetActions").onInterface(in).implementedAs([] {
        using Action = sdbus::Struct<std::string, std::string, std::string>;
        return std::vector<Action>{Action{"click", "", ""}};
    });
    o.registerMethod("DoAction").onInterface(in).implementedAs([this, only](std::int32_t action) {
        only(action);
        published_.activate(index_);
        return true;
    });
}

void AccessibleObject::registerValue() {
    auto& o = *object_;
    const char* in = valueInterface;
    auto progress = [this] { return node().progress.value_or(Progress{}); };
    o.registerProperty("MinimumValue").onInterface(in).withGetter([] { return 0.0; });
    o.registerProperty("MaximumValue").onInterface(in).withGetter([progress] {
        return progress().maximum;
    });
    o.registerProperty("MinimumIncrement").onInterface(in).withGetter([] { return 0.0; });
    o.registerProperty("CurrentValue")
        .onInterface(in)
        .withGetter([progress] { return progress().current; })
        .withSetter([](double) {
            throw sdbus::Error("org.freedesktop.DBus.Error.PropertyReadOnly",
                               "the position is the player's");
        });
    o.registerProperty("Text").onInterface(in).withGetter([] { return std::string(); });
}

void AccessibleObject::emitPropertyChange(const char* property, const sdbus::Variant& value) {
    object_->emitSignal("PropertyChange")
        .onInterface(objectEventInterface)
        .withArguments(std::string(property), std::int32_t{0}, std::int32_t{0}, value,
                       EventProperties());
}

void AccessibleObject::emitChildrenChanged(const char* change, std::int32_t index,
                                           const Reference& child) {
    object_->emitSignal("ChildrenChanged")
        .onInterface(objectEventInterface)
        .withArguments(std::string(change), index, std::int32_t{0}, sdbus::Variant(child),
                       EventProperties());
}

}  // namespace sonaris::platform::desktop::accessibility::atspi
