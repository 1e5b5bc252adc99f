#include <algorithm>

#include "platform/ui/layout/engine.hpp"
#include "platform/ui/layout/float_compare.hpp"
#include "platform/ui/layout/placement.hpp"

namespace sonaris::platform::ui::layout_engine {

namespace {

struct Bounds {
    std::optional<double> minimum;
    std::optional<double> ideal;
    std::optional<double> maximum;
};

Bounds horizontal(const modifier::FlexFrame& frame) {
    return {sanitizedLength(frame.minWidth), sanitizedLength(frame.idealWidth),
            sanitizedLength(frame.maxWidth)};
}

Bounds vertical(const modifier::FlexFrame& frame) {
    return {sanitizedLength(frame.minHeight), sanitizedLength(frame.idealHeight),
            sanitizedLength(frame.maxHeight)};
}

// The length offered to the child: the proposal (or, without one, the ideal) kept within the
// bounds.
std::optional<double> offered(const Bounds& bounds, std::optional<double> proposed) {
    std::optional<double> length = proposed ? proposed : bounds.ideal;
    if (!length)
        return std::nullopt;
    if (bounds.minimum)
        length = std::max(*length, *bounds.minimum);
    if (bounds.maximum)
        length = std::min(*length, *bounds.maximum);
    return length;
}

// The frame is as long as the child, pulled towards the offered length by whichever bound is
// set: a minimum lets it shrink no further than the offer, a maximum lets it grow to the
// offer, so maxWidth infinity fills the proposal and a minimum height holds however small the
// child is.
double resolved(const Bounds& bounds, std::optional<double> offer, double child) {
    double length = child;
    if (bounds.minimum)
        length = std::max(*bounds.minimum, offer ? std::min(length, *offer) : length);
    if (bounds.maximum)
        length = std::min(*bounds.maximum, offer ? std::max(length, *offer) : length);
    return length;
}

ProposedSize childProposal(const modifier::FlexFrame& frame, ProposedSize proposal) {
    return {offered(horizontal(frame), proposal.width), offered(vertical(frame), proposal.height)};
}

}  // namespace

Size sizeFlexFrame(Engine& engine, Layer layer, const modifier::FlexFrame& frame,
                   ProposedSize proposal) {
    const ProposedSize inner = childProposal(frame, proposal);
    const Size child = engine.size(layer.inner(), inner);
    return {resolved(horizontal(frame), inner.width, child.width),
            resolved(vertical(frame), inner.height, child.height)};
}

void placeFlexFrame(Engine& engine, LaidOutView& out, Layer layer, const modifier::FlexFrame& frame,
                    ProposedSize proposal, Rect bounds) {
    const ProposedSize inner = childProposal(frame, proposal);
    const Size child = engine.size(layer.inner(), inner);
    engine.place(out, layer.inner(), inner, aligned(bounds, child, frame.alignment));
}

}  // namespace sonaris::platform::ui::layout_engine
