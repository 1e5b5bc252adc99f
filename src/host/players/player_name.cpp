#include "host/players/player_name.hpp"

namespace sonaris::host::players {

std::optional<std::string_view> playerNameOf(std::string_view busName) {
    if (!busName.starts_with(mprisBusPrefix) || busName.size() == mprisBusPrefix.size())
        return std::nullopt;
    return busName.substr(mprisBusPrefix.size());
}

bool nameMatches(std::string_view name, std::string_view playerName) {
    if (name.empty() || !playerName.starts_with(name))
        return false;
    return playerName.size() == name.size() || playerName[name.size()] == '.';
}

std::optional<std::size_t> matchIndex(const std::vector<std::string>& names,
                                      std::string_view playerName) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (nameMatches(names[i], playerName))
            return i;
    return std::nullopt;
}

}  // namespace sonaris::host::players
