#pragma once

#include <string>
#include <vector>

#include "platform/desktop/accessibility/accessible_tree.hpp"

namespace sonaris::platform::desktop::accessibility {

// One identity a node, indexed like tree.nodes: its parent's, its role and its place among the
// siblings of that role. A node keeps its identity while what it says changes (a new title is
// the same label renamed), so a reader is told of a change rather than of a new object.
std::vector<std::string> nodeIdentities(const AccessibleTree& tree);

}  // namespace sonaris::platform::desktop::accessibility
