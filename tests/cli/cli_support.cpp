#include "cli/cli_support.hpp"

namespace sonaris::testing {

std::string hostState(std::string_view title, bool isPlaying) {
    return std::string("{\"isPlaying\": ") + (isPlaying ? "true" : "false") + ", \"title\": \"" +
           std::string(title) +
           "\", \"artist\": \"Исполнитель\", \"album\": \"Альбом\", \"duration\": 200, "
           "\"currentTime\": 50, \"mediaKind\": \"music\", \"hasArtwork\": false, "
           "\"recentTracks\": [], \"updatedAt\": 786000000}";
}

ProcessResult runWidget(const ScratchFolder& home, std::vector<std::string> arguments,
                        std::filesystem::path workingFolder) {
    ProcessOptions options;
    options.arguments = std::move(arguments);
    options.environment = baseEnvironment(home.path());
    options.workingFolder = workingFolder == "." ? home.path() : workingFolder;
    return runProcess(SONARIS_BINARY, options);
}

std::set<std::string> folderContents(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        names.insert(entry.path().lexically_relative(folder).string());
    return names;
}

bool isOneLine(std::string_view text) {
    return !text.empty() && text.find('\n') == text.size() - 1;
}

}  // namespace sonaris::testing
