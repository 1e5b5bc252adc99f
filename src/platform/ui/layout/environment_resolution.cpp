#include "platform/ui/layout/engine.hpp"

namespace sonaris::platform::ui::layout_engine {

namespace {

// Setting a value to nothing restores the default, as clearing an environment value does.
void apply(ResolvedEnvironment& environment, const Modifier& modifier) {
    if (const auto* font = std::get_if<modifier::FontModifier>(&modifier)) {
        environment.font = font->font.value_or(Font::body());
    } else if (const auto* color = std::get_if<modifier::ForegroundColor>(&modifier)) {
        environment.foregroundColor = color->color.value_or(Color::white());
    } else if (const auto* limit = std::get_if<modifier::LineLimit>(&modifier)) {
        environment.lineLimit = limit->limit;
    }
}

}  // namespace

ResolvedEnvironment environmentAt(const NodeRef& ref, std::size_t count) {
    ResolvedEnvironment environment = ref.outer;
    const auto& modifiers = ref.node->modifiers;
    for (std::size_t index = modifiers.size(); index > count; --index)
        apply(environment, modifiers[index - 1]);
    return environment;
}

NodeRef childRef(const NodeRef& parent, const ViewNode& child, std::optional<Axis> stackAxis) {
    return {&child, environmentAt(parent, 0), stackAxis};
}

}  // namespace sonaris::platform::ui::layout_engine
