#include "views/palette.hpp"

namespace sonaris::views {

using platform::ui::Color;

// Function-local statics: the language guarantees one initialisation even under concurrent
// first use, so no lock is needed here.

const Color& corvaDarkBg() {
    static const Color color = Color::rgb(0.05, 0.05, 0.07, 1.0);
    return color;
}

const Color& corvaCardBg() {
    static const Color color = Color::rgb(0.09, 0.09, 0.12, 1.0);
    return color;
}

const Color& corvaCardBorder() {
    static const Color color = Color::white().opacity(0.08);
    return color;
}

const Color& corvaRuby() {
    static const Color color = Color::rgb(0.95, 0.15, 0.09, 1.0);
    return color;
}

const Color& corvaMuted() {
    static const Color color = Color::white(0.6, 1.0);
    return color;
}

}  // namespace sonaris::views
