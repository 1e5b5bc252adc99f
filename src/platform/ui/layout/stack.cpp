#include <algorithm>
#include <cmath>
#include <numeric>

#include "platform/ui/layout/children.hpp"
#include "platform/ui/layout/engine.hpp"
#include "platform/ui/layout/float_compare.hpp"
#include "platform/ui/layout/placement.hpp"

namespace sonaris::platform::ui::layout_engine {

namespace {

constexpr double defaultSpacing = 8;

struct StackPlan {
    std::vector<NodeRef> items;
    std::vector<ProposedSize> proposals;
    std::vector<Size> sizes;
    double spacing = defaultSpacing;
    Size size;
};

double spacingOf(const ViewNode& node) {
    std::optional<double> spacing;
    if (const auto* v = std::get_if<content::VStack>(&node.content))
        spacing = v->spacing;
    if (const auto* h = std::get_if<content::HStack>(&node.content))
        spacing = h->spacing;
    return spacing && std::isfinite(*spacing) ? *spacing : defaultSpacing;
}

class AxisView {
  public:
    explicit AxisView(Axis axis) : axis_(axis) {}
    double main(Size size) const { return axis_ == Axis::horizontal ? size.width : size.height; }
    double cross(Size size) const { return axis_ == Axis::horizontal ? size.height : size.width; }
    std::optional<double> main(ProposedSize p) const {
        return axis_ == Axis::horizontal ? p.width : p.height;
    }
    std::optional<double> cross(ProposedSize p) const {
        return axis_ == Axis::horizontal ? p.height : p.width;
    }
    ProposedSize proposal(std::optional<double> main, std::optional<double> cross) const {
        return axis_ == Axis::horizontal ? ProposedSize{main, cross} : ProposedSize{cross, main};
    }
    Size size(double main, double cross) const {
        return axis_ == Axis::horizontal ? Size{main, cross} : Size{cross, main};
    }

  private:
    Axis axis_;
};

Size itemSize(Engine& engine, const NodeRef& item, ProposedSize proposal) {
    return engine.size({item, item.node->modifiers.size()}, proposal);
}

// Children are offered space least flexible first, each an equal share of what is left, so a
// fixed-size child takes exactly its size and the flexible ones split the rest. Spacers come
// last, but their minimum lengths are held back from the others.
StackPlan planStack(Engine& engine, const NodeRef& ref, Axis axis, ProposedSize proposal) {
    const AxisView along(axis);
    StackPlan plan;
    plan.items = flattenedChildren(ref, axis);
    plan.spacing = ref.node->type == ViewType::ForEach ? defaultSpacing : spacingOf(*ref.node);
    const std::size_t count = plan.items.size();
    plan.proposals.resize(count);
    plan.sizes.resize(count);
    if (count == 0)
        return plan;

    const double totalSpacing = plan.spacing * static_cast<double>(count - 1);
    const std::optional<double> mainProposal = along.main(proposal);
    const std::optional<double> crossProposal = along.cross(proposal);
    auto assign = [&](std::size_t index, std::optional<double> main) {
        plan.proposals[index] = along.proposal(main, crossProposal);
        plan.sizes[index] = itemSize(engine, plan.items[index], plan.proposals[index]);
        return along.main(plan.sizes[index]);
    };

    if (!mainProposal || !std::isfinite(*mainProposal)) {
        // Nothing to share out: every child is asked for its ideal (or unbounded) length.
        for (std::size_t index = 0; index < count; ++index)
            assign(index, mainProposal);
    } else {
        std::vector<std::size_t> others;
        std::vector<std::size_t> spacers;
        std::vector<double> flexibility(count, 0);
        double reserved = 0;
        for (std::size_t index = 0; index < count; ++index) {
            const NodeRef& item = plan.items[index];
            const double least =
                along.main(itemSize(engine, item, along.proposal(0, crossProposal)));
            if (item.node->type == ViewType::Spacer) {
                spacers.push_back(index);
                reserved += least;
                continue;
            }
            const double most =
                along.main(itemSize(engine, item, along.proposal(infinity, crossProposal)));
            const double range = most - least;
            flexibility[index] = std::isnan(range) ? infinity : range;
            others.push_back(index);
        }
        std::stable_sort(others.begin(), others.end(), [&](std::size_t a, std::size_t b) {
            return definitelyGreater(flexibility[b], flexibility[a]);
        });

        double remaining = *mainProposal - totalSpacing;
        std::size_t left = others.size();
        for (std::size_t index : others) {
            const double share = std::max(0.0, remaining - reserved) / static_cast<double>(left--);
            remaining -= assign(index, share);
        }
        left = spacers.size();
        for (std::size_t index : spacers) {
            const double share = std::max(0.0, remaining) / static_cast<double>(left--);
            remaining -= assign(index, share);
        }
    }

    double main = totalSpacing;
    double cross = 0;
    for (const Size& size : plan.sizes) {
        main += along.main(size);
        cross = std::max(cross, along.cross(size));
    }
    plan.size = along.size(std::max(0.0, main), cross);
    return plan;
}

}  // namespace

Size sizeStack(Engine& engine, const NodeRef& ref, Axis axis, ProposedSize proposal) {
    return planStack(engine, ref, axis, proposal).size;
}

void placeStack(Engine& engine, LaidOutView& out, const NodeRef& ref, Axis axis,
                ProposedSize proposal, Rect frame) {
    const StackPlan plan = planStack(engine, ref, axis, proposal);
    const AxisView along(axis);
    const double crossLength = along.cross(frame.size());
    std::vector<Rect> frames;
    frames.reserve(plan.items.size());
    double cursor = 0;
    for (const Size& size : plan.sizes) {
        double crossOffset = 0;
        if (axis == Axis::horizontal) {
            const auto* stack = std::get_if<content::HStack>(&ref.node->content);
            crossOffset = alignedOffset(stack ? stack->alignment : VerticalAlignment::center,
                                        crossLength, size.height);
            frames.push_back({frame.x + cursor, frame.y + crossOffset, size.width, size.height});
        } else {
            const auto* stack = std::get_if<content::VStack>(&ref.node->content);
            crossOffset = alignedOffset(stack ? stack->alignment : HorizontalAlignment::center,
                                        crossLength, size.width);
            frames.push_back({frame.x + crossOffset, frame.y + cursor, size.width, size.height});
        }
        cursor += along.main(size) + plan.spacing;
    }
    emitChildren(engine, out, ref, plan.items, plan.proposals, frames);
}

}  // namespace sonaris::platform::ui::layout_engine
