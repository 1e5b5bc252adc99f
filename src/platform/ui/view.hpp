#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/foundation/shared_text.hpp"
#include "platform/foundation/url.hpp"
#include "platform/image/image.hpp"
#include "platform/ui/accessibility.hpp"
#include "platform/ui/color.hpp"
#include "platform/ui/font.hpp"
#include "platform/ui/geometry.hpp"
#include "platform/ui/indirect.hpp"

namespace sonaris::platform::ui {

inline constexpr double infinity = std::numeric_limits<double>::infinity();

enum class ViewType {
    VStack,
    HStack,
    ZStack,
    Text,
    Image,
    Spacer,
    Divider,
    Circle,
    Capsule,
    RoundedRectangle,
    Rectangle,
    Color,
    LinearGradient,
    GeometryReader,
    ForEach,
    Link,
};

enum class RoundedCornerStyle { circular, continuous };
enum class ContentMode { fit, fill };
enum class ResizingMode { tile, stretch };

// The outline of a shape view or a clip.
struct Shape {
    enum class Kind { circle, capsule, roundedRectangle, rectangle };
    Kind kind = Kind::rectangle;
    double cornerRadius = 0;
    RoundedCornerStyle style = RoundedCornerStyle::continuous;
    bool operator==(const Shape&) const = default;
};

struct ViewNode;
struct LocalizedStringKey;

struct GeometryProxy {
    Size size;
};

// What each kind of view holds besides its children and modifiers.
namespace content {
struct VStack {
    HorizontalAlignment alignment = HorizontalAlignment::center;
    std::optional<double> spacing;  // unset: the default spacing
};
struct HStack {
    VerticalAlignment alignment = VerticalAlignment::center;
    std::optional<double> spacing;
};
struct ZStack {
    Alignment alignment;
};
struct Text {
    // As shown: the translation of a key, or verbatim text. Shared by every copy of the view, as
    // a title of megabytes is copied into each tree it is shown in.
    foundation::SharedText string;
    bool localized = false;  // made from a localizable key
};
struct Image {
    std::optional<std::string> systemName;   // a symbol
    std::optional<platform::image::Image> image;  // cover art
};
struct Spacer {
    std::optional<double> minLength;  // unset: the default minimum length
};
struct Divider {};
struct Shape {
    ui::Shape shape;
};
struct Color {
    ui::Color color;
};
struct LinearGradient {
    ui::LinearGradient gradient;
};
struct GeometryReader {
    std::function<ViewNode(GeometryProxy)> content;
};
struct ForEach {
    std::vector<std::size_t> ids;  // one identity a child, in order
};
struct Link {
    foundation::URL destination;
};
}  // namespace content

using ViewContent =
    std::variant<content::VStack, content::HStack, content::ZStack, content::Text,
                 content::Image, content::Spacer, content::Divider, content::Shape,
                 content::Color, content::LinearGradient, content::GeometryReader,
                 content::ForEach, content::Link>;

// Modifiers, each applying to the view with all modifiers before it.
namespace modifier {
struct Padding {
    EdgeSet edges = EdgeSet::all();
    double length = 0;
};
struct Frame {
    std::optional<double> width;
    std::optional<double> height;
    Alignment alignment;
};
struct FlexFrame {
    std::optional<double> minWidth;
    std::optional<double> idealWidth;
    std::optional<double> maxWidth;
    std::optional<double> minHeight;
    std::optional<double> idealHeight;
    std::optional<double> maxHeight;
    Alignment alignment;
};
struct AspectRatio {
    std::optional<double> ratio;  // unset: the content's own
    ContentMode contentMode = ContentMode::fit;
};
struct Resizable {
    double capInsets = 0;
    ResizingMode resizingMode = ResizingMode::stretch;
};
struct Fill {
    ShapeStyle style;
};
struct Stroke {
    ShapeStyle style;
    double lineWidth = 1;
};
struct Opacity {
    double value = 1;
};
struct Blur {
    double radius = 0;
    bool opaque = false;
};
struct Clipped {
    bool antialiased = false;
};
struct ClipShape {
    Shape shape;
    bool antialiased = true;
};
struct Overlay {
    Indirect<ViewNode> content;
    Alignment alignment;
};
struct Background {
    Indirect<ViewNode> content;
    Alignment alignment;
    EdgeSet ignoresSafeAreaEdges = EdgeSet::all();
};
struct Shadow {
    ui::Color color;
    double radius = 0;
    double x = 0;
    double y = 0;
};
struct IgnoresSafeArea {
    EdgeSet edges = EdgeSet::all();
};
struct ForegroundColor {
    std::optional<ui::Color> color;
};
struct FontModifier {
    std::optional<ui::Font> font;
};
struct LineLimit {
    std::optional<int> limit;
};
struct WidgetURL {
    std::optional<foundation::URL> url;
};
}  // namespace modifier

using Modifier =
    std::variant<modifier::Padding, modifier::Frame, modifier::FlexFrame, modifier::AspectRatio,
                 modifier::Resizable, modifier::Fill, modifier::Stroke, modifier::Opacity,
                 modifier::Blur, modifier::Clipped, modifier::ClipShape, modifier::Overlay,
                 modifier::Background, modifier::Shadow, modifier::IgnoresSafeArea,
                 modifier::ForegroundColor, modifier::FontModifier, modifier::LineLimit,
                 modifier::WidgetURL>;

// One view of a declarative tree: a primitive, its children and its modifiers in the order they
// apply. Plain data; a tree is built from an entry, inspected, laid out and drawn.
struct ViewNode {
    ViewType type = ViewType::ZStack;
    ViewContent content;
    std::vector<ViewNode> children;
    std::vector<Modifier> modifiers;
    Accessibility accessibility;

    template <class M>
    const M* find() const {
        for (const auto& m : modifiers)
            if (const auto* found = std::get_if<M>(&m)) return found;
        return nullptr;
    }

    ViewNode modified(Modifier m) && {
        modifiers.push_back(std::move(m));
        return std::move(*this);
    }

    ViewNode padding(double length) && { return std::move(*this).modified(modifier::Padding{EdgeSet::all(), length}); }
    ViewNode padding(EdgeSet edges, double length) && {
        return std::move(*this).modified(modifier::Padding{edges, length});
    }
    ViewNode frame(std::optional<double> width, std::optional<double> height,
                   Alignment alignment = Alignment::center()) && {
        return std::move(*this).modified(modifier::Frame{width, height, alignment});
    }
    ViewNode frame(modifier::FlexFrame flexible) && { return std::move(*this).modified(std::move(flexible)); }
    ViewNode aspectRatio(std::optional<double> ratio, ContentMode mode) && {
        return std::move(*this).modified(modifier::AspectRatio{ratio, mode});
    }
    ViewNode resizable() && { return std::move(*this).modified(modifier::Resizable{}); }
    ViewNode fill(ShapeStyle style) && { return std::move(*this).modified(modifier::Fill{std::move(style)}); }
    ViewNode stroke(ShapeStyle style, double lineWidth) && {
        return std::move(*this).modified(modifier::Stroke{std::move(style), lineWidth});
    }
    ViewNode opacity(double value) && { return std::move(*this).modified(modifier::Opacity{value}); }
    ViewNode blur(double radius, bool opaque = false) && {
        return std::move(*this).modified(modifier::Blur{radius, opaque});
    }
    ViewNode clipped(bool antialiased = false) && {
        return std::move(*this).modified(modifier::Clipped{antialiased});
    }
    ViewNode clipShape(Shape shape, bool antialiased = true) && {
        return std::move(*this).modified(modifier::ClipShape{shape, antialiased});
    }
    ViewNode overlay(ViewNode content, Alignment alignment = Alignment::center()) && {
        return std::move(*this).modified(modifier::Overlay{std::move(content), alignment});
    }
    ViewNode background(ViewNode content, EdgeSet ignoresSafeAreaEdges = EdgeSet::all()) && {
        return std::move(*this).modified(
            modifier::Background{std::move(content), Alignment::center(), ignoresSafeAreaEdges});
    }
    ViewNode shadow(ui::Color color, double radius, double x = 0, double y = 0) && {
        return std::move(*this).modified(modifier::Shadow{color, radius, x, y});
    }
    ViewNode ignoresSafeArea(EdgeSet edges = EdgeSet::all()) && {
        return std::move(*this).modified(modifier::IgnoresSafeArea{edges});
    }
    ViewNode foregroundColor(std::optional<ui::Color> color) && {
        return std::move(*this).modified(modifier::ForegroundColor{color});
    }
    ViewNode font(std::optional<ui::Font> font) && {
        return std::move(*this).modified(modifier::FontModifier{font});
    }
    ViewNode lineLimit(std::optional<int> limit) && {
        return std::move(*this).modified(modifier::LineLimit{limit});
    }
    ViewNode widgetURL(std::optional<foundation::URL> url) && {
        return std::move(*this).modified(modifier::WidgetURL{std::move(url)});
    }
    // What a screen reader calls the view, looked up like a text's key.
    ViewNode accessibilityLabel(const LocalizedStringKey& key) &&;
    ViewNode accessibilityValue(AccessibilityValue value) && {
        accessibility.value = value;
        return std::move(*this);
    }
    ViewNode accessibilityCombined() && {
        accessibility.combinesChildren = true;
        return std::move(*this);
    }
};

}  // namespace sonaris::platform::ui
