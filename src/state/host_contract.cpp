#include "state/host_contract.hpp"

#include <cassert>
#include <cstdlib>

#include "state/widget_kind.hpp"

namespace sonaris::state {

std::string HostFiles::containerFolder() {
    return "Library/Containers/" + std::string(extensionBundleIdentifier) + "/Data/Documents";
}

std::optional<std::filesystem::path> HostFiles::runtimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || *runtime != '/')
        return std::nullopt;
    return std::filesystem::path(runtime) / "sonaris";
}

platform::foundation::URL hostURL(std::string_view text) {
    auto url = platform::foundation::URL::string(text);
    // Only the fixed texts of HostURL come here, and each is a well-formed URL.
    assert(url);
    return std::move(url).value();
}

}  // namespace sonaris::state
