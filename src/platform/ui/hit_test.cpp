#include "platform/ui/hit_test.hpp"

namespace sonaris::platform::ui {

namespace {

std::optional<LinkHit> frontMostLink(const LaidOutView& view, Point point);

// Searches layer `count` of a view front to back: an overlay lies in front of the layer it
// decorates, a background behind it.
std::optional<LinkHit> searchLayer(const LaidOutView& view, std::size_t count, Point point) {
    if (count == 0) {
        for (auto child = view.children.rbegin(); child != view.children.rend(); ++child)
            if (auto url = frontMostLink(*child, point))
                return url;
        // A link takes taps anywhere in its frame, in front of its own backgrounds.
        if (const auto* link = std::get_if<content::Link>(&view.node->content))
            if (view.frame.contains(point))
                return LinkHit{link->destination, view.frame};
        return std::nullopt;
    }
    const Modifier& modifier = view.node->modifiers[count - 1];
    const auto& content = view.modifierContent[count - 1];
    const bool overlay = std::holds_alternative<modifier::Overlay>(modifier);
    if (overlay && content)
        if (auto url = frontMostLink(*content, point))
            return url;
    if (auto url = searchLayer(view, count - 1, point))
        return url;
    if (!overlay && content)
        if (auto url = frontMostLink(*content, point))
            return url;
    return std::nullopt;
}

std::optional<LinkHit> frontMostLink(const LaidOutView& view, Point point) {
    if (!view.node)
        return std::nullopt;
    return searchLayer(view, view.modifierContent.size(), point);
}

}  // namespace

std::optional<LinkHit> linkAt(const LayoutResult& laidOut, Point point) {
    // Nothing outside the widget can be tapped, however far a view overhangs its edge.
    if (!Rect{0, 0, laidOut.size.width, laidOut.size.height}.contains(point))
        return std::nullopt;
    return frontMostLink(laidOut.tree, point);
}

std::optional<foundation::URL> hitTest(const LayoutResult& laidOut, Point point) {
    if (!Rect{0, 0, laidOut.size.width, laidOut.size.height}.contains(point))
        return std::nullopt;
    if (auto link = frontMostLink(laidOut.tree, point))
        return link->destination;
    return laidOut.widgetURL;
}

}  // namespace sonaris::platform::ui
