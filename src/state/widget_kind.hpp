#pragma once

#include <string_view>

namespace sonaris::state {

// The widget extension's bundle identifier: the widget's kind, and the name of its container
// folder under ~/Library/Containers.
inline constexpr std::string_view extensionBundleIdentifier = "com.tavrin.sonaris.widget";

}  // namespace sonaris::state
