#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/color.hpp"
#include "platform/ui/font.hpp"
#include "platform/ui/geometry.hpp"
#include "platform/ui/view.hpp"

namespace sonaris::platform::ui {

// Values inherited down the tree from `font`, `foregroundColor` and `lineLimit`, as they stand
// at one view.
struct ResolvedEnvironment {
    Font font = Font::body();
    Color foregroundColor = Color::white();
    std::optional<int> lineLimit;
};

// A view after layout: where it stands and where each of its modifier layers stands, in widget
// coordinates (points, origin top-left, y down).
struct LaidOutView {
    const ViewNode* node = nullptr;

    // layerFrames[0] is the bare view; layerFrames[i] the view with modifiers [0, i) applied;
    // layerFrames.back() == frame. One more entry than the node has modifiers.
    std::vector<Rect> layerFrames;
    Rect frame;

    std::vector<LaidOutView> children;
    // For each modifier that holds a view (overlay, background): that view laid out; otherwise
    // empty. Indexed like node->modifiers.
    std::vector<std::optional<LaidOutView>> modifierContent;

    // In effect at the bare view (after every modifier of the node).
    ResolvedEnvironment environment;

    // The content a GeometryReader built for its size; its laid-out form is the only child.
    std::shared_ptr<const ViewNode> generated;
};

struct LayoutResult {
    std::shared_ptr<const ViewNode> root;
    Size size;
    LaidOutView tree;
    // The root's widget URL, if it sets one.
    std::optional<foundation::URL> widgetURL;
};

// Lays out a whole tree in a widget of `size`: the root is proposed the full size and centred in
// the widget (at the origin when it takes the full size). `displayScale` (pixels per point) sets
// what one device pixel is, for hairlines.
LayoutResult layout(ViewNode root, Size size, double displayScale = 2);

}  // namespace sonaris::platform::ui
