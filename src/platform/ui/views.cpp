#include "platform/ui/views.hpp"

#include <libintl.h>

namespace sonaris::platform::ui {

namespace {

ViewNode leaf(ViewType type, ViewContent content) {
    return ViewNode{type, std::move(content), {}, {}};
}

ViewNode container(ViewType type, ViewContent content, Children children) {
    ViewNode node = leaf(type, std::move(content));
    for (const MaybeView& child : children)
        if (child.view)
            node.children.push_back(*child.view);
    return node;
}

}  // namespace

std::string localized(const LocalizedStringKey& key) {
    if (key.key.empty())
        return key.key;
    // dgettext hands back its argument when it has no translation.
    return dgettext(textDomain, key.key.c_str());
}

ViewNode VStack(HorizontalAlignment alignment, std::optional<double> spacing, Children children) {
    return container(ViewType::VStack, content::VStack{alignment, spacing}, children);
}

ViewNode HStack(VerticalAlignment alignment, std::optional<double> spacing, Children children) {
    return container(ViewType::HStack, content::HStack{alignment, spacing}, children);
}

ViewNode ZStack(Alignment alignment, Children children) {
    return container(ViewType::ZStack, content::ZStack{alignment}, children);
}

ViewNode ViewNode::accessibilityLabel(const LocalizedStringKey& key) && {
    accessibility.label = localized(key);
    return std::move(*this);
}

ViewNode Text(const LocalizedStringKey& key) {
    return leaf(ViewType::Text, content::Text{localized(key), true});
}

ViewNode Text(foundation::SharedText verbatim) {
    return leaf(ViewType::Text, content::Text{std::move(verbatim), false});
}

ViewNode Image(std::string systemName) {
    return leaf(ViewType::Image, content::Image{std::move(systemName), std::nullopt});
}

ViewNode Image(platform::image::Image image) {
    return leaf(ViewType::Image, content::Image{std::nullopt, std::move(image)});
}

ViewNode Spacer(std::optional<double> minLength) {
    return leaf(ViewType::Spacer, content::Spacer{minLength});
}

ViewNode Divider() {
    return leaf(ViewType::Divider, content::Divider{});
}

ViewNode Circle() {
    return leaf(ViewType::Circle, content::Shape{shapes::circle()});
}

ViewNode Capsule(RoundedCornerStyle style) {
    return leaf(ViewType::Capsule, content::Shape{Shape{Shape::Kind::capsule, 0, style}});
}

ViewNode RoundedRectangle(double cornerRadius, RoundedCornerStyle style) {
    return leaf(ViewType::RoundedRectangle,
                content::Shape{shapes::roundedRectangle(cornerRadius, style)});
}

ViewNode Rectangle() {
    return leaf(ViewType::Rectangle, content::Shape{shapes::rectangle()});
}

ViewNode ColorView(Color color) {
    return leaf(ViewType::Color, content::Color{color});
}

ViewNode LinearGradientView(LinearGradient gradient) {
    return leaf(ViewType::LinearGradient, content::LinearGradient{std::move(gradient)});
}

ViewNode GeometryReader(std::function<ViewNode(GeometryProxy)> content) {
    return leaf(ViewType::GeometryReader, content::GeometryReader{std::move(content)});
}

ViewNode Link(foundation::URL destination, ViewNode label) {
    ViewNode node = leaf(ViewType::Link, content::Link{std::move(destination)});
    node.children.push_back(std::move(label));
    return node;
}

}  // namespace sonaris::platform::ui
