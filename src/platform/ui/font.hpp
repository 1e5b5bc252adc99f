#pragma once

#include <optional>

namespace sonaris::platform::ui {

enum class FontWeight { regular, medium, semibold, bold };
enum class FontDesign { standard, rounded };

// A system font: Inter for the standard design, a rounded face for `rounded`.
struct Font {
    double size = 13;
    std::optional<FontWeight> weight;  // unset: regular
    std::optional<FontDesign> design;  // unset: standard
    bool operator==(const Font&) const = default;

    static constexpr Font system(double size, std::optional<FontWeight> weight = std::nullopt,
                                 std::optional<FontDesign> design = std::nullopt) {
        return {size, weight, design};
    }
    // The font a text gets when nothing sets one.
    static constexpr Font body() { return {13}; }

    FontWeight resolvedWeight() const { return weight.value_or(FontWeight::regular); }
    FontDesign resolvedDesign() const { return design.value_or(FontDesign::standard); }
};

}  // namespace sonaris::platform::ui
