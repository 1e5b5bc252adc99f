#pragma once

// Finding views in a built tree and describing them, for tests of the layouts.

#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/ui/view.hpp"

namespace sonaris::testing {

using platform::ui::ViewNode;
using platform::ui::ViewType;
namespace ui = platform::ui;

// What a GeometryReader is offered when a test looks inside it.
inline constexpr ui::Size readerProbeSize{200, 3};

// The content a GeometryReader builds for `size`.
inline ViewNode expandReader(const ViewNode& reader, ui::Size size = readerProbeSize) {
    return std::get<ui::content::GeometryReader>(reader.content).content(ui::GeometryProxy{size});
}

// The views held by modifiers (overlays, backgrounds) of `node`, in modifier order.
inline std::vector<const ViewNode*> modifierViews(const ViewNode& node) {
    std::vector<const ViewNode*> views;
    for (const auto& m : node.modifiers) {
        if (const auto* overlay = std::get_if<ui::modifier::Overlay>(&m))
            views.push_back(&*overlay->content);
        if (const auto* background = std::get_if<ui::modifier::Background>(&m))
            views.push_back(&*background->content);
    }
    return views;
}

// Every view of the tree in depth-first order, modifier views before children. GeometryReader
// content is not built here: it is not part of the tree until a size is known.
inline void visit(const ViewNode& node, const std::function<void(const ViewNode&)>& f) {
    f(node);
    for (const ViewNode* view : modifierViews(node))
        visit(*view, f);
    for (const ViewNode& child : node.children)
        visit(child, f);
}

inline std::vector<const ViewNode*> findAll(const ViewNode& root,
                                            const std::function<bool(const ViewNode&)>& match) {
    std::vector<const ViewNode*> found;
    visit(root, [&](const ViewNode& node) {
        if (match(node))
            found.push_back(&node);
    });
    return found;
}

inline std::vector<const ViewNode*> findType(const ViewNode& root, ViewType type) {
    return findAll(root, [type](const ViewNode& n) { return n.type == type; });
}

inline std::optional<std::string> textOf(const ViewNode& node) {
    if (const auto* text = std::get_if<ui::content::Text>(&node.content))
        return std::string(text->string.view());
    return std::nullopt;
}

inline std::optional<std::string> symbolOf(const ViewNode& node) {
    if (const auto* image = std::get_if<ui::content::Image>(&node.content))
        return image->systemName;
    return std::nullopt;
}

inline std::optional<std::string> urlOf(const ViewNode& node) {
    if (const auto* link = std::get_if<ui::content::Link>(&node.content))
        return link->destination.absoluteString();
    return std::nullopt;
}

inline std::vector<const ViewNode*> findText(const ViewNode& root, std::string_view text) {
    return findAll(root, [text](const ViewNode& n) { return textOf(n) == text; });
}

inline std::vector<const ViewNode*> findSymbol(const ViewNode& root, std::string_view name) {
    return findAll(root, [name](const ViewNode& n) { return symbolOf(n) == name; });
}

inline std::vector<std::string> texts(const ViewNode& root) {
    std::vector<std::string> found;
    visit(root, [&](const ViewNode& n) {
        if (auto t = textOf(n))
            found.push_back(*t);
    });
    return found;
}

inline std::vector<std::string> symbols(const ViewNode& root) {
    std::vector<std::string> found;
    visit(root, [&](const ViewNode& n) {
        if (auto s = symbolOf(n))
            found.push_back(*s);
    });
    return found;
}

inline std::vector<std::string> linkURLs(const ViewNode& root) {
    std::vector<std::string> found;
    visit(root, [&](const ViewNode& n) {
        if (auto u = urlOf(n))
            found.push_back(*u);
    });
    return found;
}

inline std::optional<std::string> widgetURLOf(const ViewNode& node) {
    if (const auto* m = node.find<ui::modifier::WidgetURL>(); m && m->url)
        return m->url->absoluteString();
    return std::nullopt;
}

// ---- A readable, comparable description of a tree: one line a view, indented by depth. ----

inline std::string describe(const ui::Color& c) {
    std::ostringstream out;
    out << "rgba(" << c.red << "," << c.green << "," << c.blue << "," << c.alpha << ")";
    return out.str();
}

inline std::string describe(const ui::ShapeStyle& style) {
    if (const auto* color = std::get_if<ui::Color>(&style))
        return describe(*color);
    const auto& gradient = std::get<ui::LinearGradient>(style);
    std::string out = "gradient(";
    for (const auto& c : gradient.gradient.colors)
        out += describe(c) + " ";
    std::ostringstream points;
    points << gradient.startPoint.x << "," << gradient.startPoint.y << "->" << gradient.endPoint.x
           << "," << gradient.endPoint.y << ")";
    return out + points.str();
}

inline std::string describe(std::optional<double> value) {
    if (!value)
        return "-";
    std::ostringstream out;
    out << *value;
    return out.str();
}

inline std::string describe(const ui::Alignment& a) {
    static const char* h[] = {"leading", "center", "trailing"};
    static const char* v[] = {"top", "center", "bottom"};
    return std::string(h[static_cast<int>(a.horizontal)]) + "/" + v[static_cast<int>(a.vertical)];
}

inline std::string describe(const ui::Font& f) {
    static const char* weights[] = {"regular", "medium", "semibold", "bold"};
    static const char* designs[] = {"standard", "rounded"};
    std::ostringstream out;
    out << f.size << " " << (f.weight ? weights[static_cast<int>(*f.weight)] : "-") << " "
        << (f.design ? designs[static_cast<int>(*f.design)] : "-");
    return out.str();
}

inline std::string describe(const ui::EdgeSet& e) {
    if (e == ui::EdgeSet::all())
        return "all";
    if (e == ui::EdgeSet::horizontal())
        return "horizontal";
    if (e == ui::EdgeSet::vertical())
        return "vertical";
    return "edges";
}

inline std::string describe(const ui::Shape& s) {
    static const char* kinds[] = {"circle", "capsule", "roundedRectangle", "rectangle"};
    std::ostringstream out;
    out << kinds[static_cast<int>(s.kind)];
    if (s.kind == ui::Shape::Kind::roundedRectangle)
        out << " " << s.cornerRadius;
    if (s.style != ui::RoundedCornerStyle::continuous)
        out << " circular";
    return out.str();
}

// "name(arguments)" for one modifier; views held by it are described after, one level deeper.
inline std::string describe(const ui::Modifier& modifier) {
    namespace m = ui::modifier;
    std::ostringstream out;
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, m::Padding>)
                out << "padding(" << describe(v.edges) << " " << v.length << ")";
            else if constexpr (std::is_same_v<T, m::Frame>)
                out << "frame(" << describe(v.width) << "x" << describe(v.height) << " "
                    << describe(v.alignment) << ")";
            else if constexpr (std::is_same_v<T, m::FlexFrame>)
                out << "flexFrame(min " << describe(v.minWidth) << "x" << describe(v.minHeight)
                    << " ideal " << describe(v.idealWidth) << "x" << describe(v.idealHeight)
                    << " max " << describe(v.maxWidth) << "x" << describe(v.maxHeight) << " "
                    << describe(v.alignment) << ")";
            else if constexpr (std::is_same_v<T, m::AspectRatio>)
                out << "aspectRatio(" << describe(v.ratio) << " "
                    << (v.contentMode == ui::ContentMode::fill ? "fill" : "fit") << ")";
            else if constexpr (std::is_same_v<T, m::Resizable>)
                out << "resizable(" << v.capInsets << " "
                    << (v.resizingMode == ui::ResizingMode::stretch ? "stretch" : "tile") << ")";
            else if constexpr (std::is_same_v<T, m::Fill>)
                out << "fill(" << describe(v.style) << ")";
            else if constexpr (std::is_same_v<T, m::Stroke>)
                out << "stroke(" << describe(v.style) << " " << v.lineWidth << ")";
            else if constexpr (std::is_same_v<T, m::Opacity>)
                out << "opacity(" << v.value << ")";
            else if constexpr (std::is_same_v<T, m::Blur>)
                out << "blur(" << v.radius << (v.opaque ? " opaque" : "") << ")";
            else if constexpr (std::is_same_v<T, m::Clipped>)
                out << "clipped(" << (v.antialiased ? "antialiased" : "aliased") << ")";
            else if constexpr (std::is_same_v<T, m::ClipShape>)
                out << "clipShape(" << describe(v.shape) << (v.antialiased ? "" : " aliased")
                    << ")";
            else if constexpr (std::is_same_v<T, m::Overlay>)
                out << "overlay(" << describe(v.alignment) << ")";
            else if constexpr (std::is_same_v<T, m::Background>)
                out << "background(" << describe(v.ignoresSafeAreaEdges) << ")";
            else if constexpr (std::is_same_v<T, m::Shadow>)
                out << "shadow(" << describe(v.color) << " " << v.radius << " " << v.x << " " << v.y
                    << ")";
            else if constexpr (std::is_same_v<T, m::IgnoresSafeArea>)
                out << "ignoresSafeArea(" << describe(v.edges) << ")";
            else if constexpr (std::is_same_v<T, m::ForegroundColor>)
                out << "foregroundColor(" << (v.color ? describe(*v.color) : "-") << ")";
            else if constexpr (std::is_same_v<T, m::FontModifier>)
                out << "font(" << (v.font ? describe(*v.font) : "-") << ")";
            else if constexpr (std::is_same_v<T, m::LineLimit>)
                out << "lineLimit(" << (v.limit ? std::to_string(*v.limit) : "-") << ")";
            else if constexpr (std::is_same_v<T, m::WidgetURL>)
                out << "widgetURL(" << (v.url ? v.url->absoluteString() : "-") << ")";
        },
        modifier);
    return out.str();
}

// The names of a node's modifiers in the order they apply, e.g. {"frame", "clipShape"}.
inline std::vector<std::string> modifierNames(const ViewNode& node) {
    std::vector<std::string> names;
    for (const auto& m : node.modifiers) {
        const std::string text = describe(m);
        names.push_back(text.substr(0, text.find('(')));
    }
    return names;
}

// The modifiers of a node described in order, e.g. {"frame(54x54 center/center)", ...}.
inline std::vector<std::string> modifiersOf(const ViewNode& node) {
    std::vector<std::string> described;
    for (const auto& m : node.modifiers)
        described.push_back(describe(m));
    return described;
}

// The node itself without modifiers or children: "HStack center 6", "Text \"REC\" key", ...
inline std::string headline(const ViewNode& node) {
    namespace c = ui::content;
    static const char* vertical[] = {"top", "center", "bottom"};
    static const char* horizontal[] = {"leading", "center", "trailing"};
    std::ostringstream out;
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, c::VStack>)
                out << "VStack " << horizontal[static_cast<int>(v.alignment)] << " "
                    << describe(v.spacing);
            else if constexpr (std::is_same_v<T, c::HStack>)
                out << "HStack " << vertical[static_cast<int>(v.alignment)] << " "
                    << describe(v.spacing);
            else if constexpr (std::is_same_v<T, c::ZStack>)
                out << "ZStack " << describe(v.alignment);
            else if constexpr (std::is_same_v<T, c::Text>)
                out << "Text \"" << v.string << "\"" << (v.localized ? " key" : " verbatim");
            else if constexpr (std::is_same_v<T, c::Image>)
                out << "Image " << (v.systemName ? *v.systemName : std::string("<cover>"));
            else if constexpr (std::is_same_v<T, c::Spacer>)
                out << "Spacer " << describe(v.minLength);
            else if constexpr (std::is_same_v<T, c::Divider>)
                out << "Divider";
            else if constexpr (std::is_same_v<T, c::Shape>)
                out << "Shape " << describe(v.shape);
            else if constexpr (std::is_same_v<T, c::Color>)
                out << "Color " << describe(v.color);
            else if constexpr (std::is_same_v<T, c::LinearGradient>)
                out << "LinearGradient " << describe(ui::ShapeStyle{v.gradient});
            else if constexpr (std::is_same_v<T, c::GeometryReader>)
                out << "GeometryReader";
            else if constexpr (std::is_same_v<T, c::ForEach>)
                out << "ForEach " << v.ids.size();
            else if constexpr (std::is_same_v<T, c::Link>)
                out << "Link " << v.destination.absoluteString();
        },
        node.content);
    return out.str();
}

inline std::vector<std::string> childHeadlines(const ViewNode& node) {
    std::vector<std::string> out;
    for (const auto& child : node.children)
        out.push_back(headline(child));
    return out;
}

inline void describeInto(std::ostringstream& out, const ViewNode& node, int depth) {
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    out << indent << headline(node) << "\n";
    for (const auto& m : node.modifiers) {
        out << indent << "  ." << describe(m) << "\n";
        if (const auto* overlay = std::get_if<ui::modifier::Overlay>(&m))
            describeInto(out, *overlay->content, depth + 2);
        if (const auto* background = std::get_if<ui::modifier::Background>(&m))
            describeInto(out, *background->content, depth + 2);
    }
    if (node.type == ViewType::GeometryReader)
        describeInto(out, expandReader(node), depth + 1);
    for (const ViewNode& child : node.children)
        describeInto(out, child, depth + 1);
}

// The whole tree, GeometryReader content built at `readerProbeSize`: equal descriptions mean
// equal trees for every purpose a test has.
inline std::string describe(const ViewNode& node) {
    std::ostringstream out;
    describeInto(out, node, 0);
    return out.str();
}

}  // namespace sonaris::testing
