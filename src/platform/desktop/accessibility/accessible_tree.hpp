#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The widget as assistive technology sees it: plain data, shared with the bridge module, which
// links nothing of the widget's own.

namespace sonaris::platform::desktop::accessibility {

enum class Role { card, label, progressBar, button };

// Points in the widget, origin top-left.
struct Extent {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    bool operator==(const Extent&) const = default;
};

struct Progress {
    double current = 0;
    double maximum = 0;
    bool operator==(const Progress&) const = default;
};

struct AccessibleNode {
    Role role = Role::label;
    std::string name;
    Extent frame;
    std::optional<Progress> progress;   // with progressBar
    std::optional<std::size_t> parent;  // unset for the card
    std::vector<std::size_t> children;
};

// nodes[0] is the card; every other node comes after its parent, in reading order.
struct AccessibleTree {
    std::vector<AccessibleNode> nodes;
};

// Where the widget's pixels stand: `scale` pixels a point, and the window's top-left corner on
// the screen where the window system tells it (X11); unset, extents are the window's own
// (Wayland).
struct WindowPlacement {
    double scale = 1;
    std::optional<std::pair<int, int>> origin;
    bool operator==(const WindowPlacement&) const = default;
};

}  // namespace sonaris::platform::desktop::accessibility
