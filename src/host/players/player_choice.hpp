#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sonaris::host::players {

enum class PlaybackStatus { stopped, paused, playing };

// What the choice looks at for one player.
struct PlayerStanding {
    std::string name;  // without the MPRIS prefix
    PlaybackStatus status = PlaybackStatus::stopped;
    std::uint64_t lastChange = 0;  // larger is more recent: appearing, or a change of status
    bool hasTrack = true;          // a title or a URL; browsers leave placeholders with neither
};

// --player names, in order of preference, and --ignore-player names.
struct ChoiceRules {
    std::vector<std::string> preferred;
    std::vector<std::string> ignored;
};

// The player the host follows. Ignored players never count, nor does playerctld (it mirrors
// another player, which would be followed twice) unless a preferred name names it; with preferred
// names only the players they name do, and an earlier name wins over a later one whatever plays.
// Then a player with a track wins over one without, whatever either does. Otherwise a playing
// player wins (the most recent to change among several); when none plays, the current choice
// stays while it is there, else the most recent to change.
std::optional<std::string> choosePlayer(const std::vector<PlayerStanding>& players,
                                        const ChoiceRules& rules,
                                        const std::optional<std::string>& current);

}  // namespace sonaris::host::players
