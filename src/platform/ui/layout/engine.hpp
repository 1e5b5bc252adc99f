#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/ui/layout.hpp"

// The proposal-based layout: a parent proposes a size, the child chooses its own, the parent
// places it. A node with n modifiers is n + 1 nested layers; layer k is the bare view wrapped in
// modifiers [0, k), and each layer sizes and places the one inside it.
namespace sonaris::platform::ui::layout_engine {

enum class Axis { horizontal, vertical };

// A node together with what its position in the tree fixes: the environment outside all its
// modifiers and the axis of the stack it stands in, if any.
struct NodeRef {
    const ViewNode* node = nullptr;
    ResolvedEnvironment outer;
    std::optional<Axis> stackAxis;
};

// Layer `count` of a node: the bare view when count is 0.
struct Layer {
    const NodeRef& ref;
    std::size_t count;

    Layer inner() const { return {ref, count - 1}; }
    const Modifier& modifier() const { return ref.node->modifiers[count - 1]; }
};

class Engine {
  public:
    // `area` is the widget's size: no text is set for more than it can show.
    Engine(double displayScale, Size area);

    Size size(Layer layer, ProposedSize proposal);
    // Records `frame` for the layer and places everything inside it. `proposal` is the one the
    // layer was sized for.
    void place(LaidOutView& out, Layer layer, ProposedSize proposal, Rect frame);

    // A whole node sized for `proposal` with its top-left corner at `origin`.
    LaidOutView layOut(const NodeRef& ref, ProposedSize proposal, Point origin);

    // A text's size for a width. Height never changes how text is set, so every proposal with
    // the same width (and every unbounded one) shares one measurement.
    Size textSize(const NodeRef& ref, std::string_view text, std::optional<double> width);

    // One device pixel, in points.
    double hairline() const { return 1 / displayScale_; }

    // A GeometryReader's content, kept alive as long as the engine so that cached sizes keyed
    // by node address never refer to a freed node.
    std::shared_ptr<const ViewNode> keep(ViewNode generated);

  private:
    struct Key {
        const ViewNode* node;
        std::size_t count;
        double width;
        double height;
        std::uint8_t specified;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };

    Size sizeBare(const NodeRef& ref, ProposedSize proposal);
    Size sizeModified(Layer layer, ProposedSize proposal);
    void placeBare(LaidOutView& out, const NodeRef& ref, ProposedSize proposal, Rect frame);
    void placeModified(LaidOutView& out, Layer layer, ProposedSize proposal, Rect frame);

    double displayScale_;
    Size area_;
    std::unordered_map<Key, Size, KeyHash> sizes_;
    std::unordered_map<Key, Size, KeyHash> textSizes_;
    std::vector<std::shared_ptr<const ViewNode>> generated_;
};

// The environment in effect inside layer `count`: the outer one with modifiers [count, n)
// applied, the innermost last so that it wins.
ResolvedEnvironment environmentAt(const NodeRef& ref, std::size_t count);

// A child of `parent` as it stands inside the parent's bare view.
NodeRef childRef(const NodeRef& parent, const ViewNode& child, std::optional<Axis> stackAxis);

// Stacks, ZStacks and the views that lay out like them (ForEach, Link, GeometryReader).
Size sizeStack(Engine& engine, const NodeRef& ref, Axis axis, ProposedSize proposal);
void placeStack(Engine& engine, LaidOutView& out, const NodeRef& ref, Axis axis,
                ProposedSize proposal, Rect frame);
Size sizeZStack(Engine& engine, const NodeRef& ref, Alignment alignment, ProposedSize proposal);
void placeZStack(Engine& engine, LaidOutView& out, const NodeRef& ref, Alignment alignment,
                 ProposedSize proposal, Rect frame);
void placeGeometryReader(Engine& engine, LaidOutView& out, const NodeRef& ref, Rect frame);

// Views without children.
Size sizeLeaf(Engine& engine, const NodeRef& ref, ProposedSize proposal);

// Modifiers that change layout.
Size sizePadding(Engine& engine, Layer layer, const modifier::Padding& padding,
                 ProposedSize proposal);
void placePadding(Engine& engine, LaidOutView& out, Layer layer, const modifier::Padding& padding,
                  ProposedSize proposal, Rect frame);
Size sizeFrame(Engine& engine, Layer layer, const modifier::Frame& frame, ProposedSize proposal);
void placeFrame(Engine& engine, LaidOutView& out, Layer layer, const modifier::Frame& frame,
                ProposedSize proposal, Rect bounds);
Size sizeFlexFrame(Engine& engine, Layer layer, const modifier::FlexFrame& frame,
                   ProposedSize proposal);
void placeFlexFrame(Engine& engine, LaidOutView& out, Layer layer, const modifier::FlexFrame& frame,
                    ProposedSize proposal, Rect bounds);
Size sizeAspectRatio(Engine& engine, Layer layer, const modifier::AspectRatio& aspect,
                     ProposedSize proposal);
void placeAspectRatio(Engine& engine, LaidOutView& out, Layer layer,
                      const modifier::AspectRatio& aspect, ProposedSize proposal, Rect bounds);
// overlay and background: the content is laid out on the primary view's frame.
void placeDecoration(Engine& engine, LaidOutView& out, Layer layer, const ViewNode& content,
                     Alignment alignment, ProposedSize proposal, Rect frame);

}  // namespace sonaris::platform::ui::layout_engine
