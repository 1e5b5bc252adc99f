#include "platform/desktop/accessibility/live_accessibility.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/desktop/accessibility/describe.hpp"

namespace sonaris::platform::desktop::accessibility {

namespace {

bool isSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

// Beside the program in a build tree, else where it was installed.
std::vector<std::filesystem::path> moduleCandidates() {
    std::vector<std::filesystem::path> candidates;
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        candidates.push_back(executable.parent_path() / bridgeModuleFile);
    candidates.push_back(std::filesystem::path(SONARIS_MODULE_DIR) / bridgeModuleFile);
    return candidates;
}

}  // namespace

bool launcherInstalled() {
    // The launcher is started on demand, or by the session, from the service file at-spi2-core
    // installs; where there is none there is no accessibility bus to ask for.
    std::vector<std::filesystem::path> folders;
    if (const char* dataHome = std::getenv("XDG_DATA_HOME"); dataHome && *dataHome)
        folders.emplace_back(dataHome);
    else if (const char* home = std::getenv("HOME"); home && *home)
        folders.push_back(std::filesystem::path(home) / ".local/share");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::string_view dirs = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
    while (!dirs.empty()) {
        const auto colon = dirs.find(':');
        if (colon != 0)
            folders.emplace_back(dirs.substr(0, colon));
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    }
    std::error_code error;
    return std::any_of(folders.begin(), folders.end(), [&](const auto& folder) {
        return std::filesystem::exists(folder / "dbus-1/services/org.a11y.Bus.service", error);
    });
}

bool sessionBusExpected() {
    if (isSet("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code error;
    return runtime && *runtime &&
           std::filesystem::exists(std::filesystem::path(runtime) / "bus", error);
}

std::unique_ptr<LiveAccessibility> LiveAccessibility::start(std::string applicationName,
                                                            OpenLink openLink) {
    if (!sessionBusExpected() || !launcherInstalled())
        return nullptr;
    for (const auto& candidate : moduleCandidates()) {
        std::error_code error;
        if (!std::filesystem::exists(candidate, error))
            continue;
        // Where the session has no accessibility launcher the bridge and the bus libraries under
        // it are unmapped again at once: a widget that cannot be read keeps none of them.
        auto opened = foundation::SharedLibrary::open(candidate.c_str(),
                                                      foundation::SharedLibrary::Unload::afterUse);
        auto* module = std::get_if<foundation::SharedLibrary>(&opened);
        OpenBridge open = nullptr;
        if (!module || !module->resolve(openBridgeSymbol, open))
            return nullptr;
        std::unique_ptr<LiveAccessibility> live(new LiveAccessibility(
            std::move(*module), std::move(applicationName), std::move(openLink)));
        LiveAccessibility* self = live.get();
        open({self->applicationName_, [self](std::size_t index) { self->activate(index); }},
             live->bridge_);
        if (!live->bridge_)
            return nullptr;
        return live;
    }
    return nullptr;
}

LiveAccessibility::LiveAccessibility(foundation::SharedLibrary module, std::string applicationName,
                                     OpenLink openLink)
    : module_(std::move(module)),
      applicationName_(std::move(applicationName)),
      openLink_(std::move(openLink)) {}

// The bridge's code lives in the module: it goes first.
LiveAccessibility::~LiveAccessibility() {
    bridge_.reset();
}

void LiveAccessibility::show(const ui::LayoutResult& laidOut, const WindowPlacement& placement) {
    auto described = describe(laidOut, applicationName_);
    links_ = std::move(described.links);
    bridge_->show(described.tree, placement);
}

void LiveAccessibility::activate(std::size_t index) {
    // The bridge names a node; only the link this widget itself put there is ever opened.
    if (index < links_.size() && links_[index] && openLink_)
        openLink_(*links_[index]);
}

}  // namespace sonaris::platform::desktop::accessibility
