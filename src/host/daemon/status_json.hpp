#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/players/player_properties.hpp"

namespace sonaris::host::daemon {

struct PlayerSummary {
    std::string name;
    players::PlaybackStatus status = players::PlaybackStatus::stopped;
    std::string title;
    std::string artist;
};

// {"players": [{"name", "status", "title", "artist"}...], "chosen": NAME | null}
std::string statusJson(const std::vector<PlayerSummary>& players,
                       const std::optional<std::string>& chosen);

// `text` as a JSON string literal; bytes that are not UTF-8 become U+FFFD.
void appendJsonString(std::string& out, std::string_view text);

}  // namespace sonaris::host::daemon
