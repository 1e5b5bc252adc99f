#include <algorithm>
#include <cmath>

#include "platform/ui/layout/engine.hpp"

namespace sonaris::platform::ui::layout_engine {

namespace {

struct Insets {
    double top = 0;
    double leading = 0;
    double bottom = 0;
    double trailing = 0;
};

Insets insetsOf(const modifier::Padding& padding) {
    const double length = std::isfinite(padding.length) ? padding.length : 0;
    return {padding.edges.top ? length : 0, padding.edges.leading ? length : 0,
            padding.edges.bottom ? length : 0, padding.edges.trailing ? length : 0};
}

std::optional<double> shrink(std::optional<double> proposed, double by) {
    if (!proposed)
        return std::nullopt;
    return std::max(0.0, *proposed - by);
}

ProposedSize innerProposal(const Insets& insets, ProposedSize proposal) {
    return {shrink(proposal.width, insets.leading + insets.trailing),
            shrink(proposal.height, insets.top + insets.bottom)};
}

}  // namespace

Size sizePadding(Engine& engine, Layer layer, const modifier::Padding& padding,
                 ProposedSize proposal) {
    const Insets insets = insetsOf(padding);
    const Size inner = engine.size(layer.inner(), innerProposal(insets, proposal));
    return {std::max(0.0, inner.width + insets.leading + insets.trailing),
            std::max(0.0, inner.height + insets.top + insets.bottom)};
}

void placePadding(Engine& engine, LaidOutView& out, Layer layer, const modifier::Padding& padding,
                  ProposedSize proposal, Rect frame) {
    const Insets insets = insetsOf(padding);
    const ProposedSize inner = innerProposal(insets, proposal);
    const Size size = engine.size(layer.inner(), inner);
    engine.place(out, layer.inner(), inner,
                 {frame.x + insets.leading, frame.y + insets.top, size.width, size.height});
}

}  // namespace sonaris::platform::ui::layout_engine
