#include "platform/ui/layout/engine.hpp"
#include "platform/ui/layout/float_compare.hpp"
#include "platform/ui/layout/placement.hpp"

namespace sonaris::platform::ui::layout_engine {

namespace {

// A fixed dimension replaces the proposal; an unset one passes it through.
ProposedSize childProposal(const modifier::Frame& frame, ProposedSize proposal) {
    return {frame.width ? std::optional(sanitizedLength(*frame.width)) : proposal.width,
            frame.height ? std::optional(sanitizedLength(*frame.height)) : proposal.height};
}

}  // namespace

Size sizeFrame(Engine& engine, Layer layer, const modifier::Frame& frame, ProposedSize proposal) {
    const Size child = engine.size(layer.inner(), childProposal(frame, proposal));
    return {frame.width ? sanitizedLength(*frame.width) : child.width,
            frame.height ? sanitizedLength(*frame.height) : child.height};
}

void placeFrame(Engine& engine, LaidOutView& out, Layer layer, const modifier::Frame& frame,
                ProposedSize proposal, Rect bounds) {
    const ProposedSize inner = childProposal(frame, proposal);
    const Size child = engine.size(layer.inner(), inner);
    engine.place(out, layer.inner(), inner, aligned(bounds, child, frame.alignment));
}

}  // namespace sonaris::platform::ui::layout_engine
