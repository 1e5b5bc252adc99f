#include "platform/ui/layout/engine.hpp"
#include "platform/ui/layout/placement.hpp"

namespace sonaris::platform::ui::layout_engine {

void placeDecoration(Engine& engine, LaidOutView& out, Layer layer, const ViewNode& content,
                     Alignment alignment, ProposedSize proposal, Rect frame) {
    engine.place(out, layer.inner(), proposal, frame);
    // The decoration sits in the environment of the layer that carries it, so modifiers applied
    // after it (a font, a colour) reach it as they reach the primary view.
    const NodeRef ref{&content, environmentAt(layer.ref, layer.count), std::nullopt};
    const ProposedSize offer{frame.width, frame.height};
    const Size size = engine.size({ref, content.modifiers.size()}, offer);
    const Rect placed = aligned(frame, size, alignment);
    out.modifierContent[layer.count - 1] = engine.layOut(ref, offer, {placed.x, placed.y});
}

}  // namespace sonaris::platform::ui::layout_engine
