#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cli/process.hpp"
#include "platform/runtime/scratch_folder.hpp"

namespace sonaris::testing {

inline constexpr std::string_view supportFolder = "Library/Application Support/Sonaris";

// A host state file with the given title and play state.
std::string hostState(std::string_view title, bool isPlaying);

// Runs the widget with a scratch home and no display.
ProcessResult runWidget(const ScratchFolder& home, std::vector<std::string> arguments,
                        std::filesystem::path workingFolder = ".");

// The names of everything in a folder, recursively, relative to it.
std::set<std::string> folderContents(const std::filesystem::path& folder);

// Whether the text is exactly one line that ends in a newline.
bool isOneLine(std::string_view text);

}  // namespace sonaris::testing
