#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonaris::host::players {

inline constexpr std::string_view mprisBusPrefix = "org.mpris.MediaPlayer2.";
inline constexpr std::string_view mprisObjectPath = "/org/mpris/MediaPlayer2";
inline constexpr std::string_view mprisPlayerInterface = "org.mpris.MediaPlayer2.Player";

// The player's name as users give it ("mpv.instance42" for org.mpris.MediaPlayer2.mpv.instance42);
// nothing for a bus name that is not an MPRIS player's.
std::optional<std::string_view> playerNameOf(std::string_view busName);

// Whether `name` (as given on the command line) names the player: the same name, or the name of
// the application whose instance it is ("mpv" matches "mpv.instance42", "mp" matches nothing).
bool nameMatches(std::string_view name, std::string_view playerName);

// The position of the first of `names` that matches the player; nothing when none does.
std::optional<std::size_t> matchIndex(const std::vector<std::string>& names,
                                      std::string_view playerName);

}  // namespace sonaris::host::players
