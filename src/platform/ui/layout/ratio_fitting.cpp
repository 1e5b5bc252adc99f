#include <cmath>

#include "platform/ui/layout/engine.hpp"
#include "platform/ui/layout/placement.hpp"

namespace sonaris::platform::ui::layout_engine {

namespace {

// Width over height: the one given, else the content's own at its ideal size. Nothing when it
// is degenerate, and the modifier then leaves the proposal alone.
std::optional<double> ratioOf(Engine& engine, Layer layer, const modifier::AspectRatio& aspect) {
    double ratio = 0;
    if (aspect.ratio) {
        ratio = *aspect.ratio;
    } else {
        const Size ideal = engine.size(layer.inner(), ProposedSize{});
        ratio = ideal.width / ideal.height;
    }
    if (!std::isfinite(ratio) || !(ratio > 0))
        return std::nullopt;
    return ratio;
}

// The largest size of the ratio inside the proposal (fit) or the smallest around it (fill).
ProposedSize ratioProposal(double ratio, ContentMode mode, ProposedSize proposal) {
    const auto& [width, height] = proposal;
    if (width && height) {
        const bool wider = *width / *height > ratio;
        if (std::isnan(*width / *height))
            return proposal;  // 0/0 and inf/inf
        if (wider == (mode == ContentMode::fit))
            return {*height * ratio, *height};
        return {*width, *width / ratio};
    }
    if (width)
        return {*width, *width / ratio};
    if (height)
        return {*height * ratio, *height};
    return proposal;
}

ProposedSize childProposal(Engine& engine, Layer layer, const modifier::AspectRatio& aspect,
                           ProposedSize proposal) {
    const std::optional<double> ratio = ratioOf(engine, layer, aspect);
    return ratio ? ratioProposal(*ratio, aspect.contentMode, proposal) : proposal;
}

}  // namespace

Size sizeAspectRatio(Engine& engine, Layer layer, const modifier::AspectRatio& aspect,
                     ProposedSize proposal) {
    return engine.size(layer.inner(), childProposal(engine, layer, aspect, proposal));
}

void placeAspectRatio(Engine& engine, LaidOutView& out, Layer layer,
                      const modifier::AspectRatio& aspect, ProposedSize proposal, Rect bounds) {
    const ProposedSize inner = childProposal(engine, layer, aspect, proposal);
    const Size child = engine.size(layer.inner(), inner);
    engine.place(out, layer.inner(), inner, aligned(bounds, child, Alignment::center()));
}

}  // namespace sonaris::platform::ui::layout_engine
