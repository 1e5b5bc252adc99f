#include "platform/desktop/accessibility/node_identity.hpp"

#include <array>

namespace sonaris::platform::desktop::accessibility {

std::vector<std::string> nodeIdentities(const AccessibleTree& tree) {
    std::vector<std::string> identities(tree.nodes.size());
    if (tree.nodes.empty())
        return identities;
    identities[0] = "card";
    // Parents come before their children, so each parent's identity is known when reached.
    for (std::size_t index = 0; index < tree.nodes.size(); ++index) {
        std::array<int, 4> seen{};
        for (std::size_t child : tree.nodes[index].children) {
            const auto role = static_cast<std::size_t>(tree.nodes[child].role);
            identities[child] =
                identities[index] + '/' + std::to_string(role) + '.' + std::to_string(seen[role]++);
        }
    }
    return identities;
}

}  // namespace sonaris::platform::desktop::accessibility
