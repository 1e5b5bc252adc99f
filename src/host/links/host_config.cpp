#include "host/links/host_config.hpp"

namespace sonaris::host::links {

std::optional<std::filesystem::path> hostConfigPath() { return std::nullopt; }

std::variant<HostConfig, ConfigError> loadHostConfig(const std::filesystem::path&) {
    return HostConfig{};
}

}  // namespace sonaris::host::links
