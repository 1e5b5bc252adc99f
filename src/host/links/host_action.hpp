#pragma once

#include <optional>
#include <string_view>

namespace sonaris::host::links {

// What a `sonaris://` link asks the host to do.
enum class HostAction { toggle, play, prev, next, recordScreen, recordAudio, editor };

// The seven URLs of state/host_contract.hpp (HostURL); anything else: nothing. Each is a scheme
// and a host alone, both of which URLs compare without ASCII case ("SONARIS://Toggle" is
// "sonaris://toggle"); past that the match is exact on purpose: a link that is not one of ours is
// not guessed at.
std::optional<HostAction> hostActionFor(std::string_view url);

// toggle, play, prev and next go to the media player; the rest run a user's tool.
bool isPlayerAction(HostAction action);

std::string_view urlOf(HostAction action);

}  // namespace sonaris::host::links
