#pragma once

#include <variant>
#include <vector>

#include "platform/ui/geometry.hpp"

namespace sonaris::platform::ui {

// An sRGB colour with straight (not premultiplied) alpha, each component 0 to 1.
struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    bool operator==(const Color&) const = default;

    static constexpr Color rgb(double r, double g, double b, double opacity = 1) {
        return {r, g, b, opacity};
    }
    static constexpr Color white(double level, double opacity = 1) {
        return {level, level, level, opacity};
    }
    // Multiplies the alpha, as a view's opacity does.
    constexpr Color opacity(double factor) const { return {red, green, blue, alpha * factor}; }

    static constexpr Color white() { return {1, 1, 1, 1}; }
    static constexpr Color black() { return {0, 0, 0, 1}; }
    // The system grey (142, 142, 147), the same in light and dark appearance.
    static constexpr Color gray() { return {142.0 / 255, 142.0 / 255, 147.0 / 255, 1}; }
    static constexpr Color clear() { return {0, 0, 0, 0}; }
};

struct Gradient {
    std::vector<Color> colors;
    bool operator==(const Gradient&) const = default;
};

struct LinearGradient {
    Gradient gradient;
    UnitPoint startPoint;
    UnitPoint endPoint;
    bool operator==(const LinearGradient&) const = default;
};

// What a shape is filled or stroked with.
using ShapeStyle = std::variant<Color, LinearGradient>;

}  // namespace sonaris::platform::ui
