#include "platform/runtime/host_folders.hpp"

#include "platform/foundation/home_directory.hpp"

namespace sonaris::platform::runtime {

std::vector<std::filesystem::path> hostFoldersOf(const WidgetConfiguration& configuration) {
    if (configuration.hostFolders)
        return configuration.hostFolders();
    auto home = foundation::homeDirectoryForCurrentUser();
    if (!home)
        return {};
    return {*home / "Library" / "Containers" / configuration.kind / "Data" / "Documents"};
}

}  // namespace sonaris::platform::runtime
