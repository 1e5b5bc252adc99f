#include "host/players/player_control.hpp"

namespace sonaris::host::players {

std::optional<ControlAction> controlActionNamed(std::string_view name) {
    for (auto action :
         {ControlAction::toggle, ControlAction::play, ControlAction::prev, ControlAction::next})
        if (controlActionName(action) == name)
            return action;
    return std::nullopt;
}

std::string_view controlActionName(ControlAction action) {
    switch (action) {
        case ControlAction::toggle:
            return "toggle";
        case ControlAction::play:
            return "play";
        case ControlAction::prev:
            return "prev";
        case ControlAction::next:
            break;
    }
    return "next";
}

std::variant<std::string, ControlRefused> controlMethod(ControlAction action,
                                                        const PlayerProperties& properties,
                                                        std::string_view playerName) {
    auto refuse = [&](std::string_view what) {
        return ControlRefused{"the player " + std::string(playerName) + " cannot " +
                              std::string(what) + " now"};
    };
    if (!properties.canControl)
        return ControlRefused{"the player " + std::string(playerName) + " cannot be controlled"};
    switch (action) {
        case ControlAction::toggle:
            // PlayPause starts a paused player too, so either permission is enough for its use.
            if (properties.status == PlaybackStatus::playing ? !properties.canPause
                                                             : !properties.canPlay)
                return refuse(properties.status == PlaybackStatus::playing ? "pause" : "play");
            return std::string("PlayPause");
        case ControlAction::play:
            if (!properties.canPlay)
                return refuse("play");
            return std::string("Play");
        case ControlAction::prev:
            if (!properties.canGoPrevious)
                return refuse("go to the previous track");
            return std::string("Previous");
        case ControlAction::next:
            if (!properties.canGoNext)
                return refuse("go to the next track");
            return std::string("Next");
    }
    return refuse("do that");
}

}  // namespace sonaris::host::players
