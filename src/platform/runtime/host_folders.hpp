#pragma once

#include <filesystem>
#include <vector>

#include "platform/runtime/widget_configuration.hpp"

namespace sonaris::platform::runtime {

// The folders a live widget watches for the host's files: those the widget declares, else its
// container folder (~/Library/Containers/<kind>/Data/Documents); none without a home folder.
std::vector<std::filesystem::path> hostFoldersOf(const WidgetConfiguration& configuration);

}  // namespace sonaris::platform::runtime
