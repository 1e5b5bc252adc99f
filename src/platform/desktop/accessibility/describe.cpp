#include "platform/desktop/accessibility/describe.hpp"

#include <variant>

namespace sonaris::platform::desktop::accessibility {

namespace {

Extent extentOf(const ui::Rect& frame) {
    return {frame.x, frame.y, frame.width, frame.height};
}

// Decorations are read where they are drawn: backgrounds before the view, overlays after it.
template <class Visit>
void forEachPart(const ui::LaidOutView& view, Visit&& visit) {
    const auto& modifiers = view.node->modifiers;
    for (std::size_t index = modifiers.size(); index-- > 0;)
        if (std::holds_alternative<ui::modifier::Background>(modifiers[index]) &&
            view.modifierContent[index])
            visit(*view.modifierContent[index]);
    for (const auto& child : view.children)
        visit(child);
    for (std::size_t index = 0; index < modifiers.size(); ++index)
        if (std::holds_alternative<ui::modifier::Overlay>(modifiers[index]) &&
            view.modifierContent[index])
            visit(*view.modifierContent[index]);
}

void collectTexts(const ui::LaidOutView& view, std::string& joined) {
    if (!view.node)
        return;
    if (const auto* text = std::get_if<ui::content::Text>(&view.node->content)) {
        if (text->string.empty())
            return;
        if (!joined.empty())
            joined += ", ";
        joined += text->string;
        return;
    }
    forEachPart(view, [&](const ui::LaidOutView& part) { collectTexts(part, joined); });
}

std::string nameOf(const ui::LaidOutView& view) {
    if (view.node->accessibility.label)
        return *view.node->accessibility.label;
    std::string joined;
    collectTexts(view, joined);
    return joined;
}

class Describer {
  public:
    explicit Describer(DescribedWidget& out) : out_(out) {}

    std::size_t add(AccessibleNode node, std::optional<foundation::URL> link = std::nullopt) {
        const std::size_t index = out_.tree.nodes.size();
        if (node.parent)
            out_.tree.nodes[*node.parent].children.push_back(index);
        out_.tree.nodes.push_back(std::move(node));
        out_.links.push_back(std::move(link));
        return index;
    }

    void walk(const ui::LaidOutView& view, std::size_t parent) {
        if (!view.node)
            return;
        const ui::ViewNode& node = *view.node;
        const Extent frame = extentOf(view.frame);
        if (const auto* link = std::get_if<ui::content::Link>(&node.content)) {
            add({Role::button, nameOf(view), frame, std::nullopt, parent, {}}, link->destination);
            return;
        }
        if (node.accessibility.value) {
            const auto& value = *node.accessibility.value;
            add({Role::progressBar,
                 node.accessibility.label.value_or(""),
                 frame,
                 Progress{value.current, value.maximum},
                 parent,
                 {}});
            return;
        }
        if (node.accessibility.combinesChildren) {
            add({Role::label, nameOf(view), frame, std::nullopt, parent, {}});
            return;
        }
        if (const auto* text = std::get_if<ui::content::Text>(&node.content)) {
            if (!text->string.empty() || node.accessibility.label)
                add({Role::label, nameOf(view), frame, std::nullopt, parent, {}});
            return;
        }
        forEachPart(view, [&](const ui::LaidOutView& part) { walk(part, parent); });
    }

  private:
    DescribedWidget& out_;
};

}  // namespace

DescribedWidget describe(const ui::LayoutResult& laidOut, const std::string& cardName) {
    DescribedWidget described;
    Describer describer(described);
    const Extent card{0, 0, laidOut.size.width, laidOut.size.height};
    describer.add({Role::card, cardName, card, std::nullopt, std::nullopt, {}});
    if (!laidOut.tree.node)
        return described;
    describer.walk(laidOut.tree, 0);
    const auto& root = *laidOut.tree.node;
    if (laidOut.widgetURL && root.accessibility.label)
        describer.add({Role::button, *root.accessibility.label, card, std::nullopt, 0, {}},
                      laidOut.widgetURL);
    return described;
}

}  // namespace sonaris::platform::desktop::accessibility
