#pragma once

// The declarative vocabulary: one function a primitive, named as the views they stand for.

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ui/view.hpp"

namespace sonaris::platform::ui {

// A fixed label, looked up in the widget's translations when the text is built.
struct LocalizedStringKey {
    explicit LocalizedStringKey(std::string k) : key(std::move(k)) {}
    std::string key;
};

inline namespace literals {
inline LocalizedStringKey operator""_key(const char* text, std::size_t size) {
    return LocalizedStringKey{std::string(text, size)};
}
}  // namespace literals

// The translation of `key` in the widget's message catalogue, or the key itself.
std::string localized(const LocalizedStringKey& key);

// The message catalogue (gettext domain) of the fixed labels.
inline constexpr const char* textDomain = "sonaris-widget";

// A child slot that may be empty: the branch of a conditional that was not taken.
struct MaybeView {
    MaybeView(ViewNode v) : view(std::move(v)) {}
    MaybeView(std::optional<ViewNode> v) : view(std::move(v)) {}
    MaybeView(std::nullopt_t) {}
    std::optional<ViewNode> view;
};

using Children = std::initializer_list<MaybeView>;

ViewNode VStack(HorizontalAlignment alignment, std::optional<double> spacing, Children children);
ViewNode HStack(VerticalAlignment alignment, std::optional<double> spacing, Children children);
ViewNode ZStack(Alignment alignment, Children children);

ViewNode Text(const LocalizedStringKey& key);
// Verbatim text: shown exactly as it stands, never looked up or interpreted.
ViewNode Text(foundation::SharedText verbatim);

ViewNode Image(std::string systemName);
ViewNode Image(platform::image::Image image);

ViewNode Spacer(std::optional<double> minLength = std::nullopt);
ViewNode Divider();

ViewNode Circle();
ViewNode Capsule(RoundedCornerStyle style = RoundedCornerStyle::continuous);
ViewNode RoundedRectangle(double cornerRadius,
                          RoundedCornerStyle style = RoundedCornerStyle::continuous);
ViewNode Rectangle();

ViewNode ColorView(Color color);
ViewNode LinearGradientView(LinearGradient gradient);

ViewNode GeometryReader(std::function<ViewNode(GeometryProxy)> content);

ViewNode Link(foundation::URL destination, ViewNode label);

// One child a row of a leading slice of `data`, each identified by the row's whole value.
template <class Range, class Content>
ViewNode ForEach(const Range& data, Content makeRow) {
    ViewNode node{ViewType::ForEach, content::ForEach{}, {}, {}};
    auto& ids = std::get<content::ForEach>(node.content).ids;
    for (const auto& row : data) {
        ids.push_back(std::hash<std::decay_t<decltype(row)>>{}(row));
        node.children.push_back(makeRow(row));
    }
    return node;
}

// Shapes as clip outlines.
namespace shapes {
inline Shape circle() { return {Shape::Kind::circle}; }
inline Shape capsule() { return {Shape::Kind::capsule}; }
inline Shape roundedRectangle(double radius,
                              RoundedCornerStyle style = RoundedCornerStyle::continuous) {
    return {Shape::Kind::roundedRectangle, radius, style};
}
inline Shape rectangle() { return {Shape::Kind::rectangle}; }
}  // namespace shapes

}  // namespace sonaris::platform::ui
