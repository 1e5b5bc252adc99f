#pragma once

#include <string_view>

namespace sonaris::host::links {

// Best effort, bounded in time (a second at most); false when no notification server answered.
bool notifyUser(std::string_view summary, std::string_view body);

}  // namespace sonaris::host::links
