#include <algorithm>
#include <cmath>

#include "platform/ui/layout/engine.hpp"
#include "platform/ui/layout/float_compare.hpp"
#include "platform/ui/symbols.hpp"

namespace sonaris::platform::ui::layout_engine {

namespace {

constexpr double defaultSpacerLength = 8;
// What a view that takes any size it is offered chooses when asked for its ideal size.
constexpr double idealFlexibleLength = 10;

Size flexible(ProposedSize proposal) {
    return {sanitizedLength(proposal.width.value_or(idealFlexibleLength)),
            sanitizedLength(proposal.height.value_or(idealFlexibleLength))};
}

double spacerMinimum(const ViewNode& node) {
    const auto* spacer = std::get_if<content::Spacer>(&node.content);
    const std::optional<double> minimum = spacer ? spacer->minLength : std::nullopt;
    return minimum ? sanitizedLength(*minimum) : defaultSpacerLength;
}

Size spacerSize(const NodeRef& ref, ProposedSize proposal) {
    const double minimum = spacerMinimum(*ref.node);
    auto along = [&](std::optional<double> proposed) {
        return std::max(minimum, proposed.value_or(minimum));
    };
    if (!ref.stackAxis)
        return {sanitizedLength(along(proposal.width)), sanitizedLength(along(proposal.height))};
    if (*ref.stackAxis == Axis::horizontal)
        return {along(proposal.width), 0};
    return {0, along(proposal.height)};
}

// A rule across its stack, one device pixel thick; outside a horizontal stack it runs across.
Size dividerSize(Engine& engine, const NodeRef& ref, ProposedSize proposal) {
    if (ref.stackAxis == Axis::horizontal)
        return {engine.hairline(), sanitizedLength(proposal.height.value_or(0))};
    return {sanitizedLength(proposal.width.value_or(0)), engine.hairline()};
}

Size imageSize(const NodeRef& ref, ProposedSize proposal) {
    const auto* image = std::get_if<content::Image>(&ref.node->content);
    if (!image)
        return {};
    const ResolvedEnvironment environment = environmentAt(ref, 0);
    if (image->systemName)
        return symbolSize(*image->systemName, environment.font);
    if (!image->image)
        return {};
    // A picture's pixels count as points, as an image without a resolution of its own does.
    const auto natural = image->image->naturalSize();
    const Size naturalSize{static_cast<double>(std::max(natural.width, 0)),
                           static_cast<double>(std::max(natural.height, 0))};
    if (!ref.node->find<modifier::Resizable>())
        return naturalSize;
    return {sanitizedLength(proposal.width.value_or(naturalSize.width)),
            sanitizedLength(proposal.height.value_or(naturalSize.height))};
}

Size textSize(Engine& engine, const NodeRef& ref, ProposedSize proposal) {
    const auto* text = std::get_if<content::Text>(&ref.node->content);
    if (!text)
        return {};
    return engine.textSize(ref, text->string, sanitizedLength(proposal.width));
}

}  // namespace

Size sizeLeaf(Engine& engine, const NodeRef& ref, ProposedSize proposal) {
    switch (ref.node->type) {
        case ViewType::Text:
            return textSize(engine, ref, proposal);
        case ViewType::Image:
            return imageSize(ref, proposal);
        case ViewType::Spacer:
            return spacerSize(ref, proposal);
        case ViewType::Divider:
            return dividerSize(engine, ref, proposal);
        case ViewType::Circle:
        case ViewType::Capsule:
        case ViewType::RoundedRectangle:
        case ViewType::Rectangle:
        case ViewType::Color:
        case ViewType::LinearGradient:
        case ViewType::GeometryReader:
            return flexible(proposal);
        default:
            return {};
    }
}

}  // namespace sonaris::platform::ui::layout_engine
