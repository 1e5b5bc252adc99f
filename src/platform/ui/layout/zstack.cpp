#include <algorithm>

#include "platform/ui/layout/children.hpp"
#include "platform/ui/layout/engine.hpp"
#include "platform/ui/layout/placement.hpp"

namespace sonaris::platform::ui::layout_engine {

namespace {

Size itemSize(Engine& engine, const NodeRef& item, ProposedSize proposal) {
    return engine.size({item, item.node->modifiers.size()}, proposal);
}

}  // namespace

// Every layer is offered the whole proposal; the stack is as large as its largest layer.
Size sizeZStack(Engine& engine, const NodeRef& ref, Alignment, ProposedSize proposal) {
    Size size;
    for (const NodeRef& item : flattenedChildren(ref, std::nullopt)) {
        const Size child = itemSize(engine, item, proposal);
        size.width = std::max(size.width, child.width);
        size.height = std::max(size.height, child.height);
    }
    return size;
}

void placeZStack(Engine& engine, LaidOutView& out, const NodeRef& ref, Alignment alignment,
                 ProposedSize proposal, Rect frame) {
    const std::vector<NodeRef> items = flattenedChildren(ref, std::nullopt);
    std::vector<ProposedSize> proposals(items.size(), proposal);
    std::vector<Rect> frames;
    frames.reserve(items.size());
    for (const NodeRef& item : items)
        frames.push_back(aligned(frame, itemSize(engine, item, proposal), alignment));
    emitChildren(engine, out, ref, items, proposals, frames);
}

// The reader takes what it is offered (a leaf's sizing) and only then builds its content, for
// exactly that size; the content stands at the reader's top-leading corner.
void placeGeometryReader(Engine& engine, LaidOutView& out, const NodeRef& ref, Rect frame) {
    const auto* reader = std::get_if<content::GeometryReader>(&ref.node->content);
    if (!reader || !reader->content)
        return;
    auto generated = engine.keep(reader->content(GeometryProxy{frame.size()}));
    out.generated = generated;
    const NodeRef child{generated.get(), environmentAt(ref, 0), std::nullopt};
    out.children.push_back(
        engine.layOut(child, ProposedSize{frame.width, frame.height}, {frame.x, frame.y}));
}

}  // namespace sonaris::platform::ui::layout_engine
