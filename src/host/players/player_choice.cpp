#include "host/players/player_choice.hpp"

#include <tuple>

#include "host/players/player_name.hpp"

namespace sonaris::host::players {
namespace {

constexpr std::string_view proxyPlayer = "playerctld";

}  // namespace

std::optional<std::string> choosePlayer(const std::vector<PlayerStanding>& players,
                                        const ChoiceRules& rules,
                                        const std::optional<std::string>& current) {
    const PlayerStanding* best = nullptr;
    // Smaller is better in every component.
    std::tuple<std::size_t, int, int, int, std::uint64_t> bestKey{};
    for (const auto& player : players) {
        if (matchIndex(rules.ignored, player.name))
            continue;
        auto index = matchIndex(rules.preferred, player.name);
        if (!index && (!rules.preferred.empty() || nameMatches(proxyPlayer, player.name)))
            continue;
        std::size_t rank = index.value_or(0);
        int noTrack = player.hasTrack ? 0 : 1;
        int notPlaying = player.status == PlaybackStatus::playing ? 0 : 1;
        int notCurrent = notPlaying && current && *current == player.name ? 0 : 1;
        std::tuple key{rank, noTrack, notPlaying, notCurrent, ~player.lastChange};
        if (!best || key < bestKey) {
            best = &player;
            bestKey = key;
        }
    }
    if (!best)
        return std::nullopt;
    return best->name;
}

}  // namespace sonaris::host::players
