#pragma once

#include <string>
#include <string_view>

#include "platform/ui/layout.hpp"

namespace sonaris::platform::ui {

// The laid-out tree as the command line prints it:
// {"family": F, "size": [W, H], "widgetURL": U | null, "root": NODE}.
std::string treeJson(const LayoutResult& laidOut, std::string_view familyName);

}  // namespace sonaris::platform::ui
