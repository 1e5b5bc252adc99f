#include "platform/ui/tree_json.hpp"

#include <cmath>

#include "platform/ui/json_writer.hpp"
#include "platform/ui/utf8.hpp"

namespace sonaris::platform::ui {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

const char* typeName(ViewType type) {
    switch (type) {
        case ViewType::VStack:
            return "VStack";
        case ViewType::HStack:
            return "HStack";
        case ViewType::ZStack:
            return "ZStack";
        case ViewType::Text:
            return "Text";
        case ViewType::Image:
            return "Image";
        case ViewType::Spacer:
            return "Spacer";
        case ViewType::Divider:
            return "Divider";
        case ViewType::Circle:
            return "Circle";
        case ViewType::Capsule:
            return "Capsule";
        case ViewType::RoundedRectangle:
            return "RoundedRectangle";
        case ViewType::Rectangle:
            return "Rectangle";
        case ViewType::Color:
            return "Color";
        case ViewType::LinearGradient:
            return "LinearGradient";
        case ViewType::GeometryReader:
            return "GeometryReader";
        case ViewType::ForEach:
            return "ForEach";
        case ViewType::Link:
            return "Link";
    }
    return "View";
}

const char* alignmentName(HorizontalAlignment alignment) {
    switch (alignment) {
        case HorizontalAlignment::leading:
            return "leading";
        case HorizontalAlignment::center:
            return "center";
        case HorizontalAlignment::trailing:
            return "trailing";
    }
    return "center";
}

const char* alignmentName(VerticalAlignment alignment) {
    switch (alignment) {
        case VerticalAlignment::top:
            return "top";
        case VerticalAlignment::center:
            return "center";
        case VerticalAlignment::bottom:
            return "bottom";
    }
    return "center";
}

std::string alignmentName(Alignment alignment) {
    if (alignment.vertical == VerticalAlignment::center)
        return alignmentName(alignment.horizontal);
    std::string name = alignmentName(alignment.vertical);
    if (alignment.horizontal == HorizontalAlignment::leading)
        name += "Leading";
    if (alignment.horizontal == HorizontalAlignment::trailing)
        name += "Trailing";
    return name;
}

const char* weightName(FontWeight weight) {
    switch (weight) {
        case FontWeight::regular:
            return "regular";
        case FontWeight::medium:
            return "medium";
        case FontWeight::semibold:
            return "semibold";
        case FontWeight::bold:
            return "bold";
    }
    return "regular";
}

const char* styleName(RoundedCornerStyle style) {
    return style == RoundedCornerStyle::continuous ? "continuous" : "circular";
}

class TreeWriter {
  public:
    explicit TreeWriter(JsonWriter& json) : json_(json) {}

    void node(const LaidOutView& view) {
        json_.beginObject();
        const ViewNode& node = *view.node;
        json_.key("type").string(typeName(node.type));
        json_.key("frame");
        rect(view.frame);
        content(view);
        json_.key("modifiers");
        json_.beginArray();
        for (std::size_t index = 0; index < node.modifiers.size(); ++index)
            modifier(node.modifiers[index], view.modifierContent[index]);
        json_.endArray();
        json_.key("children");
        json_.beginArray();
        for (const LaidOutView& child : view.children)
            this->node(child);
        json_.endArray();
        json_.endObject();
    }

  private:
    void rect(const Rect& r) {
        json_.beginArray();
        for (double v : {r.x, r.y, r.width, r.height})
            json_.number(v);
        json_.endArray();
    }

    void point(UnitPoint p) {
        json_.beginArray();
        json_.number(p.x);
        json_.number(p.y);
        json_.endArray();
    }

    void color(const Color& c) {
        json_.beginArray();
        for (double v : {c.red, c.green, c.blue, c.alpha})
            json_.number(v);
        json_.endArray();
    }

    void gradient(const LinearGradient& g) {
        json_.beginObject();
        json_.key("colors").beginArray();
        for (const Color& c : g.gradient.colors)
            color(c);
        json_.endArray();
        json_.key("startPoint");
        point(g.startPoint);
        json_.key("endPoint");
        point(g.endPoint);
        json_.endObject();
    }

    void style(const ShapeStyle& s) {
        if (const auto* c = std::get_if<Color>(&s)) {
            json_.key("color");
            color(*c);
        } else {
            json_.key("gradient");
            gradient(std::get<LinearGradient>(s));
        }
    }

    void font(const Font& f) {
        json_.beginObject();
        json_.key("size").number(f.size);
        json_.key("weight").string(weightName(f.resolvedWeight()));
        json_.key("design").string(f.resolvedDesign() == FontDesign::rounded ? "rounded"
                                                                             : "default");
        json_.endObject();
    }

    void edges(EdgeSet e) {
        if (e == EdgeSet::all())
            return json_.string("all");
        if (e == EdgeSet::horizontal())
            return json_.string("horizontal");
        if (e == EdgeSet::vertical())
            return json_.string("vertical");
        json_.beginArray();
        if (e.top)
            json_.string("top");
        if (e.leading)
            json_.string("leading");
        if (e.bottom)
            json_.string("bottom");
        if (e.trailing)
            json_.string("trailing");
        json_.endArray();
    }

    void optionalNumber(std::string_view name, std::optional<double> value) {
        json_.key(name);
        if (value)
            json_.number(*value);
        else
            json_.null();
    }

    void shape(const Shape& s) {
        switch (s.kind) {
            case Shape::Kind::circle:
                json_.key("shape").string("circle");
                break;
            case Shape::Kind::capsule:
                json_.key("shape").string("capsule");
                json_.key("style").string(styleName(s.style));
                break;
            case Shape::Kind::roundedRectangle:
                json_.key("shape").string("roundedRectangle");
                json_.key("cornerRadius").number(s.cornerRadius);
                json_.key("style").string(styleName(s.style));
                break;
            case Shape::Kind::rectangle:
                json_.key("shape").string("rectangle");
                break;
        }
    }

    // What the view shows: its own content and, for text and symbols, the resolved styling.
    void content(const LaidOutView& view) {
        const ViewNode& node = *view.node;
        std::visit(Overloaded{
                       [&](const content::VStack& v) {
                           json_.key("alignment").string(alignmentName(v.alignment));
                           json_.key("spacing").number(v.spacing.value_or(8));
                       },
                       [&](const content::HStack& h) {
                           json_.key("alignment").string(alignmentName(h.alignment));
                           json_.key("spacing").number(h.spacing.value_or(8));
                       },
                       [&](const content::ZStack& z) {
                           json_.key("alignment").string(alignmentName(z.alignment));
                       },
                       [&](const content::Text& t) {
                           // A clean text, nearly every one, is written without a
                           // repaired copy of it first.
                           if (isCleanUtf8(t.string))
                               json_.key("text").string(t.string);
                           else
                               json_.key("text").string(repairedUtf8(t.string));
                           styling(view);
                       },
                       [&](const content::Image& i) {
                           if (i.systemName)
                               json_.key("symbol").string(*i.systemName);
                           if (i.image) {
                               const auto natural = i.image->naturalSize();
                               json_.key("image").beginObject();
                               json_.key("width").number(natural.width);
                               json_.key("height").number(natural.height);
                               json_.endObject();
                           }
                           styling(view);
                       },
                       [&](const content::Spacer& s) {
                           json_.key("minLength").number(s.minLength.value_or(8));
                       },
                       [&](const content::Divider&) {},
                       [&](const content::Shape& s) {
                           if (s.shape.kind == Shape::Kind::roundedRectangle)
                               json_.key("cornerRadius").number(s.shape.cornerRadius);
                           if (s.shape.kind == Shape::Kind::roundedRectangle ||
                               s.shape.kind == Shape::Kind::capsule)
                               json_.key("style").string(styleName(s.shape.style));
                       },
                       [&](const content::Color& c) {
                           json_.key("color");
                           color(c.color);
                       },
                       [&](const content::LinearGradient& g) {
                           json_.key("gradient");
                           gradient(g.gradient);
                       },
                       [&](const content::GeometryReader&) {},
                       [&](const content::ForEach& f) { json_.key("count").number(f.ids.size()); },
                       [&](const content::Link& l) {
                           json_.key("url").string(l.destination.absoluteString());
                       },
                   },
                   node.content);
    }

    void styling(const LaidOutView& view) {
        json_.key("font");
        font(view.environment.font);
        json_.key("foregroundColor");
        color(view.environment.foregroundColor);
        if (view.environment.lineLimit)
            json_.key("lineLimit").number(*view.environment.lineLimit);
    }

    void decoration(const std::optional<LaidOutView>& content, Alignment alignment) {
        json_.key("alignment").string(alignmentName(alignment));
        json_.key("content");
        if (content)
            node(*content);
        else
            json_.null();
    }

    void modifier(const Modifier& m, const std::optional<LaidOutView>& content) {
        json_.beginObject();
        std::visit(
            Overloaded{
                [&](const modifier::Padding& p) {
                    json_.key("name").string("padding");
                    json_.key("edges");
                    edges(p.edges);
                    json_.key("length").number(p.length);
                },
                [&](const modifier::Frame& f) {
                    json_.key("name").string("frame");
                    optionalNumber("width", f.width);
                    optionalNumber("height", f.height);
                    json_.key("alignment").string(alignmentName(f.alignment));
                },
                [&](const modifier::FlexFrame& f) {
                    json_.key("name").string("frame");
                    optionalNumber("minWidth", f.minWidth);
                    optionalNumber("idealWidth", f.idealWidth);
                    // JSON has no infinity; a maximum of infinity is written as the string.
                    if (f.maxWidth && std::isinf(*f.maxWidth))
                        json_.key("maxWidth").string("infinity");
                    else
                        optionalNumber("maxWidth", f.maxWidth);
                    optionalNumber("minHeight", f.minHeight);
                    optionalNumber("idealHeight", f.idealHeight);
                    if (f.maxHeight && std::isinf(*f.maxHeight))
                        json_.key("maxHeight").string("infinity");
                    else
                        optionalNumber("maxHeight", f.maxHeight);
                    json_.key("alignment").string(alignmentName(f.alignment));
                },
                [&](const modifier::AspectRatio& a) {
                    json_.key("name").string("aspectRatio");
                    optionalNumber("ratio", a.ratio);
                    json_.key("contentMode")
                        .string(a.contentMode == ContentMode::fit ? "fit" : "fill");
                },
                [&](const modifier::Resizable& r) {
                    json_.key("name").string("resizable");
                    json_.key("capInsets").number(r.capInsets);
                    json_.key("resizingMode")
                        .string(r.resizingMode == ResizingMode::stretch ? "stretch" : "tile");
                },
                [&](const modifier::Fill& f) {
                    json_.key("name").string("fill");
                    style(f.style);
                },
                [&](const modifier::Stroke& s) {
                    json_.key("name").string("stroke");
                    style(s.style);
                    json_.key("lineWidth").number(s.lineWidth);
                },
                [&](const modifier::Opacity& o) {
                    json_.key("name").string("opacity");
                    json_.key("value").number(o.value);
                },
                [&](const modifier::Blur& b) {
                    json_.key("name").string("blur");
                    json_.key("radius").number(b.radius);
                    json_.key("opaque").boolean(b.opaque);
                },
                [&](const modifier::Clipped& c) {
                    json_.key("name").string("clipped");
                    json_.key("antialiased").boolean(c.antialiased);
                },
                [&](const modifier::ClipShape& c) {
                    json_.key("name").string("clipShape");
                    shape(c.shape);
                    json_.key("antialiased").boolean(c.antialiased);
                },
                [&](const modifier::Overlay& o) {
                    json_.key("name").string("overlay");
                    decoration(content, o.alignment);
                },
                [&](const modifier::Background& b) {
                    json_.key("name").string("background");
                    decoration(content, b.alignment);
                    json_.key("ignoresSafeAreaEdges");
                    edges(b.ignoresSafeAreaEdges);
                },
                [&](const modifier::Shadow& s) {
                    json_.key("name").string("shadow");
                    json_.key("color");
                    color(s.color);
                    json_.key("radius").number(s.radius);
                    json_.key("x").number(s.x);
                    json_.key("y").number(s.y);
                },
                [&](const modifier::IgnoresSafeArea& i) {
                    json_.key("name").string("ignoresSafeArea");
                    json_.key("edges");
                    edges(i.edges);
                },
                [&](const modifier::ForegroundColor& f) {
                    json_.key("name").string("foregroundColor");
                    json_.key("color");
                    if (f.color)
                        color(*f.color);
                    else
                        json_.null();
                },
                [&](const modifier::FontModifier& f) {
                    json_.key("name").string("font");
                    json_.key("font");
                    if (f.font)
                        font(*f.font);
                    else
                        json_.null();
                },
                [&](const modifier::LineLimit& l) {
                    json_.key("name").string("lineLimit");
                    json_.key("limit");
                    if (l.limit)
                        json_.number(*l.limit);
                    else
                        json_.null();
                },
                [&](const modifier::WidgetURL& w) {
                    json_.key("name").string("widgetURL");
                    json_.key("url");
                    if (w.url)
                        json_.string(w.url->absoluteString());
                    else
                        json_.null();
                },
            },
            m);
        json_.endObject();
    }

    JsonWriter& json_;
};

}  // namespace

std::string treeJson(const LayoutResult& laidOut, std::string_view familyName) {
    JsonWriter json;
    json.beginObject();
    json.key("family").string(familyName);
    json.key("size").beginArray();
    json.number(laidOut.size.width);
    json.number(laidOut.size.height);
    json.endArray();
    json.key("widgetURL");
    if (laidOut.widgetURL)
        json.string(laidOut.widgetURL->absoluteString());
    else
        json.null();
    json.key("root");
    if (laidOut.tree.node)
        TreeWriter(json).node(laidOut.tree);
    else
        json.null();
    json.endObject();
    return json.text();
}

}  // namespace sonaris::platform::ui
