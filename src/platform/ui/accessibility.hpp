#pragma once

#include <optional>
#include <string>

namespace sonaris::platform::ui {

// A position within a range that starts at zero, as a progress indicator shows it.
struct AccessibilityValue {
    double current = 0;
    double maximum = 0;
    bool operator==(const AccessibilityValue&) const = default;
};

// What assistive technology is told about a view beyond what it draws. Views that say nothing
// are read from their texts and links alone; nothing here changes layout or drawing.
struct Accessibility {
    // Replaces the name made from the view's texts; already in the user's language.
    std::optional<std::string> label;
    // The view shows progress through a range.
    std::optional<AccessibilityValue> value;
    // The view is read as one element named by its texts, not as one element a text.
    bool combinesChildren = false;
    bool operator==(const Accessibility&) const = default;
};

}  // namespace sonaris::platform::ui
