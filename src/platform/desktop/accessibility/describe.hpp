#pragma once

#include <optional>
#include <vector>

#include "platform/desktop/accessibility/accessible_tree.hpp"
#include "platform/foundation/url.hpp"
#include "platform/ui/layout.hpp"

namespace sonaris::platform::desktop::accessibility {

struct DescribedWidget {
    AccessibleTree tree;
    // Indexed like tree.nodes: the link a button opens, nothing for the other nodes. Kept by
    // the widget, never sent: a reader names a node, the widget opens that node's own link.
    std::vector<std::optional<foundation::URL>> links;
};

// What is shown, as a reader reads it: the card named `cardName`; each text a label, each link
// a button (named by its accessibility label, else by its texts), each view with a value a
// progress bar, each combined view one label; the root's widget URL a button covering the card
// where the root has a label.
DescribedWidget describe(const ui::LayoutResult& laidOut, const std::string& cardName);

}  // namespace sonaris::platform::desktop::accessibility
