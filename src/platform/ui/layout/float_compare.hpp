#pragma once

#include <algorithm>
#include <cmath>
#include <optional>

namespace sonaris::platform::ui::layout_engine {

// Sizes are sums of many fractions, so equality and ordering allow for rounding noise far below
// a device pixel.
inline constexpr double epsilon = 1e-9;

inline bool approximatelyEqual(double a, double b) {
    if (a == b)
        return true;  // also equal infinities
    if (std::isinf(a) || std::isinf(b))
        return false;
    return std::fabs(a - b) <= epsilon * std::max({1.0, std::fabs(a), std::fabs(b)});
}

inline bool definitelyGreater(double a, double b) {
    return a > b && !approximatelyEqual(a, b);
}

// A length usable as a size: NaN and negatives mean nothing and become 0.
inline double sanitizedLength(double value) {
    return value > 0 ? value : 0;
}

inline std::optional<double> sanitizedLength(std::optional<double> value) {
    if (!value)
        return std::nullopt;
    return sanitizedLength(*value);
}

}  // namespace sonaris::platform::ui::layout_engine
