#include "platform/ui/layout/engine.hpp"

#include <cmath>
#include <cstring>
#include <functional>

#include "platform/ui/layout/placement.hpp"
#include "platform/ui/text_layout.hpp"

namespace sonaris::platform::ui::layout_engine {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

std::size_t hashDouble(double value) {
    if (value == 0)
        value = 0;  // -0 and +0 propose the same
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return std::hash<std::uint64_t>{}(bits);
}

}  // namespace

std::size_t Engine::KeyHash::operator()(const Key& key) const {
    std::size_t hash = std::hash<const void*>{}(key.node);
    for (std::size_t part : {key.count, hashDouble(key.width), hashDouble(key.height),
                             static_cast<std::size_t>(key.specified)})
        hash ^= part + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
    return hash;
}

Engine::Engine(double displayScale, Size area)
    : displayScale_(std::isfinite(displayScale) && displayScale > 0 ? displayScale : 1),
      area_(area) {}

std::shared_ptr<const ViewNode> Engine::keep(ViewNode generated) {
    generated_.push_back(std::make_shared<const ViewNode>(std::move(generated)));
    return generated_.back();
}

Size Engine::size(Layer layer, ProposedSize proposal) {
    // Stacks ask each child for its size several times (for its flexibility and for its share),
    // and nested stacks multiply that; remembering each answer keeps layout linear in the tree.
    const Key key{layer.ref.node, layer.count, proposal.width.value_or(0),
                  proposal.height.value_or(0),
                  static_cast<std::uint8_t>((proposal.width ? 1 : 0) | (proposal.height ? 2 : 0))};
    if (auto found = sizes_.find(key); found != sizes_.end())
        return found->second;
    const Size result =
        layer.count == 0 ? sizeBare(layer.ref, proposal) : sizeModified(layer, proposal);
    sizes_.emplace(key, result);
    return result;
}

Size Engine::textSize(const NodeRef& ref, std::string_view text, std::optional<double> width) {
    if (width && std::isinf(*width))
        width.reset();
    const Key key{ref.node, 0, width.value_or(0), 0, static_cast<std::uint8_t>(width ? 1 : 0)};
    if (auto found = textSizes_.find(key); found != textSizes_.end())
        return found->second;
    // A text offered at least its natural width is set exactly as unbounded: no line wraps and
    // nothing is cut. Stacks ask for the unbounded size before they share out the room, so most
    // texts are shaped once for both.
    if (width) {
        const Key unbounded{ref.node, 0, 0, 0, 0};
        if (auto natural = textSizes_.find(unbounded);
            natural != textSizes_.end() && *width >= natural->second.width) {
            textSizes_.emplace(key, natural->second);
            return natural->second;
        }
    }
    const ResolvedEnvironment environment = environmentAt(ref, 0);
    const Size result = measureText(text, environment.font, ProposedSize{width, std::nullopt},
                                    environment.lineLimit, area_);
    textSizes_.emplace(key, result);
    return result;
}

void Engine::place(LaidOutView& out, Layer layer, ProposedSize proposal, Rect frame) {
    out.layerFrames[layer.count] = frame;
    if (layer.count == 0)
        placeBare(out, layer.ref, proposal, frame);
    else
        placeModified(out, layer, proposal, frame);
}

LaidOutView Engine::layOut(const NodeRef& ref, ProposedSize proposal, Point origin) {
    const std::size_t count = ref.node->modifiers.size();
    const Size size = this->size({ref, count}, proposal);
    LaidOutView out;
    out.node = ref.node;
    out.layerFrames.resize(count + 1);
    out.modifierContent.resize(count);
    out.environment = environmentAt(ref, 0);
    out.frame = {origin.x, origin.y, size.width, size.height};
    place(out, {ref, count}, proposal, out.frame);
    return out;
}

Size Engine::sizeBare(const NodeRef& ref, ProposedSize proposal) {
    const ViewNode& node = *ref.node;
    switch (node.type) {
        case ViewType::VStack:
            return sizeStack(*this, ref, Axis::vertical, proposal);
        case ViewType::HStack:
            return sizeStack(*this, ref, Axis::horizontal, proposal);
        case ViewType::ForEach:
            // Outside a stack the rows still need an arrangement: a column, as a view body
            // with several views gets.
            return sizeStack(*this, ref, Axis::vertical, proposal);
        case ViewType::ZStack: {
            const auto* stack = std::get_if<content::ZStack>(&node.content);
            return sizeZStack(*this, ref, stack ? stack->alignment : Alignment::center(), proposal);
        }
        case ViewType::Link:
            return sizeZStack(*this, ref, Alignment::center(), proposal);
        default:
            return sizeLeaf(*this, ref, proposal);
    }
}

void Engine::placeBare(LaidOutView& out, const NodeRef& ref, ProposedSize proposal, Rect frame) {
    const ViewNode& node = *ref.node;
    switch (node.type) {
        case ViewType::VStack:
        case ViewType::ForEach:
            placeStack(*this, out, ref, Axis::vertical, proposal, frame);
            break;
        case ViewType::HStack:
            placeStack(*this, out, ref, Axis::horizontal, proposal, frame);
            break;
        case ViewType::ZStack: {
            const auto* stack = std::get_if<content::ZStack>(&node.content);
            placeZStack(*this, out, ref, stack ? stack->alignment : Alignment::center(), proposal,
                        frame);
            break;
        }
        case ViewType::Link:
            placeZStack(*this, out, ref, Alignment::center(), proposal, frame);
            break;
        case ViewType::GeometryReader:
            placeGeometryReader(*this, out, ref, frame);
            break;
        default:
            break;
    }
}

Size Engine::sizeModified(Layer layer, ProposedSize proposal) {
    return std::visit(
        Overloaded{
            [&](const modifier::Padding& m) { return sizePadding(*this, layer, m, proposal); },
            [&](const modifier::Frame& m) { return sizeFrame(*this, layer, m, proposal); },
            [&](const modifier::FlexFrame& m) { return sizeFlexFrame(*this, layer, m, proposal); },
            [&](const modifier::AspectRatio& m) {
                return sizeAspectRatio(*this, layer, m, proposal);
            },
            // Decorations and styling never change the size of what they wrap.
            [&](const auto&) { return size(layer.inner(), proposal); },
        },
        layer.modifier());
}

void Engine::placeModified(LaidOutView& out, Layer layer, ProposedSize proposal, Rect frame) {
    std::visit(
        Overloaded{
            [&](const modifier::Padding& m) {
                placePadding(*this, out, layer, m, proposal, frame);
            },
            [&](const modifier::Frame& m) { placeFrame(*this, out, layer, m, proposal, frame); },
            [&](const modifier::FlexFrame& m) {
                placeFlexFrame(*this, out, layer, m, proposal, frame);
            },
            [&](const modifier::AspectRatio& m) {
                placeAspectRatio(*this, out, layer, m, proposal, frame);
            },
            [&](const modifier::Overlay& m) {
                placeDecoration(*this, out, layer, *m.content, m.alignment, proposal, frame);
            },
            [&](const modifier::Background& m) {
                placeDecoration(*this, out, layer, *m.content, m.alignment, proposal, frame);
            },
            [&](const auto&) { place(out, layer.inner(), proposal, frame); },
        },
        layer.modifier());
}

}  // namespace sonaris::platform::ui::layout_engine

namespace sonaris::platform::ui {

LayoutResult layout(ViewNode root, Size size, double displayScale) {
    LayoutResult result;
    result.size = size;
    auto shared = std::make_shared<const ViewNode>(std::move(root));
    result.root = shared;
    layout_engine::Engine engine(displayScale, size);
    const layout_engine::NodeRef ref{shared.get(), ResolvedEnvironment{}, std::nullopt};
    const ProposedSize proposal{size.width, size.height};
    // A root that does not fill the widget stands in its middle, as a widget host shows it.
    const Size chosen = engine.size({ref, shared->modifiers.size()}, proposal);
    const Rect placed =
        layout_engine::aligned({0, 0, size.width, size.height}, chosen, Alignment::center());
    result.tree = engine.layOut(ref, proposal, Point{placed.x, placed.y});
    if (const auto* url = shared->find<modifier::WidgetURL>())
        result.widgetURL = url->url;
    return result;
}

}  // namespace sonaris::platform::ui
