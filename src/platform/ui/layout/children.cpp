#include "platform/ui/layout/children.hpp"

#include "platform/ui/layout/placement.hpp"

namespace sonaris::platform::ui::layout_engine {

namespace {

void flattenInto(const NodeRef& container, std::optional<Axis> stackAxis,
                 std::vector<NodeRef>& items) {
    for (const ViewNode& child : container.node->children) {
        NodeRef ref = childRef(container, child, stackAxis);
        if (child.type == ViewType::ForEach)
            flattenInto(ref, stackAxis, items);
        else
            items.push_back(std::move(ref));
    }
}

struct Emitter {
    Engine& engine;
    const std::vector<NodeRef>& items;
    const std::vector<ProposedSize>& proposals;
    const std::vector<Rect>& frames;
    std::size_t next = 0;

    // Where an empty ForEach stands: where its rows would have started.
    Rect emptyFrame() const {
        if (frames.empty())
            return {};
        if (next < frames.size())
            return {frames[next].x, frames[next].y, 0, 0};
        return {frames.back().maxX(), frames.back().maxY(), 0, 0};
    }

    void emit(std::vector<LaidOutView>& out, const NodeRef& container) {
        for (const ViewNode& child : container.node->children) {
            if (child.type != ViewType::ForEach) {
                if (next >= items.size())
                    return;
                out.push_back(
                    engine.layOut(items[next], proposals[next], {frames[next].x, frames[next].y}));
                ++next;
                continue;
            }
            const NodeRef ref = childRef(container, child, std::nullopt);
            LaidOutView group;
            group.node = &child;
            group.environment = environmentAt(ref, 0);
            group.modifierContent.resize(child.modifiers.size());
            const Rect empty = emptyFrame();
            emit(group.children, ref);
            std::optional<Rect> bounds;
            for (const LaidOutView& row : group.children)
                bounds = bounds ? unionRect(*bounds, row.frame) : row.frame;
            group.frame = bounds.value_or(empty);
            group.layerFrames.assign(child.modifiers.size() + 1, group.frame);
            out.push_back(std::move(group));
        }
    }
};

}  // namespace

std::vector<NodeRef> flattenedChildren(const NodeRef& container, std::optional<Axis> stackAxis) {
    std::vector<NodeRef> items;
    flattenInto(container, stackAxis, items);
    return items;
}

void emitChildren(Engine& engine, LaidOutView& out, const NodeRef& container,
                  const std::vector<NodeRef>& items, const std::vector<ProposedSize>& proposals,
                  const std::vector<Rect>& frames) {
    Emitter emitter{engine, items, proposals, frames};
    emitter.emit(out.children, container);
}

}  // namespace sonaris::platform::ui::layout_engine
