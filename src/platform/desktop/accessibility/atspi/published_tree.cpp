#include "platform/desktop/accessibility/atspi/published_tree.hpp"

#include <algorithm>
#include <initializer_list>

namespace sonaris::platform::desktop::accessibility::atspi {

namespace {

std::vector<std::uint32_t> stateSet(std::initializer_list<AtspiState> states) {
    std::vector<std::uint32_t> words(2, 0);
    for (AtspiState state : states) {
        const auto bit = static_cast<std::uint32_t>(state);
        words[bit / 32] |= 1u << (bit % 32);
    }
    return words;
}

}  // namespace

AtspiRole atspiRole(Role role) {
    switch (role) {
        case Role::card:
            return AtspiRole::frame;
        case Role::label:
            return AtspiRole::label;
        case Role::progressBar:
            return AtspiRole::progressBar;
        case Role::button:
            return AtspiRole::button;
    }
    return AtspiRole::label;
}

const char* roleName(Role role) {
    switch (role) {
        case Role::card:
            return "frame";
        case Role::label:
            return "label";
        case Role::progressBar:
            return "progress bar";
        case Role::button:
            return "push button";
    }
    return "label";
}

std::vector<std::string> interfacesOf(Role role) {
    std::vector<std::string> interfaces{accessibleInterface, componentInterface};
    if (role == Role::button)
        interfaces.emplace_back(actionInterface);
    if (role == Role::progressBar)
        interfaces.emplace_back(valueInterface);
    return interfaces;
}

std::vector<std::uint32_t> statesOf(Role role) {
    using enum AtspiState;
    switch (role) {
        case Role::card:
            return stateSet({active, enabled, sensitive, showing, visible});
        case Role::progressBar:
            return stateSet({enabled, sensitive, showing, visible, horizontal, readOnly});
        case Role::label:
        case Role::button:
            break;
    }
    return stateSet({enabled, sensitive, showing, visible});
}

CacheItem cacheItem(const PublishedTree& published, std::size_t index) {
    const AccessibleNode& node = published.tree().nodes[index];
    Reference parent = published.applicationReference();
    std::int32_t indexInParent = 0;
    if (node.parent) {
        parent = published.reference(*node.parent);
        const auto& siblings = published.tree().nodes[*node.parent].children;
        indexInParent = static_cast<std::int32_t>(
            std::find(siblings.begin(), siblings.end(), index) - siblings.begin());
    }
    return CacheItem{published.reference(index),
                     published.applicationReference(),
                     parent,
                     indexInParent,
                     static_cast<std::int32_t>(node.children.size()),
                     interfacesOf(node.role),
                     node.name,
                     static_cast<std::uint32_t>(atspiRole(node.role)),
                     std::string(),
                     statesOf(node.role)};
}

}  // namespace sonaris::platform::desktop::accessibility::atspi
