#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "host/players/player_properties.hpp"

namespace sonaris::host::players {

// The control actions a player takes, named as on the host's bus interface.
enum class ControlAction { toggle, play, prev, next };

std::optional<ControlAction> controlActionNamed(std::string_view name);
std::string_view controlActionName(ControlAction action);

struct ControlRefused {
    std::string reason;  // one line, for the user
};

// The org.mpris.MediaPlayer2.Player method that carries out `action`, or why the player does not
// allow it (CanControl, CanPlay, CanPause, CanGoNext, CanGoPrevious).
std::variant<std::string, ControlRefused> controlMethod(ControlAction action,
                                                        const PlayerProperties& properties,
                                                        std::string_view playerName);

}  // namespace sonaris::host::players
