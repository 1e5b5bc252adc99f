#include "host/links/host_action.hpp"

#include <array>
#include <utility>

#include "state/host_contract.hpp"

namespace sonaris::host::links {
namespace {

namespace url = state::HostURL;

constexpr std::array<std::pair<HostAction, std::string_view>, 7> kTable{{
    {HostAction::toggle, url::toggle},
    {HostAction::play, url::play},
    {HostAction::prev, url::prev},
    {HostAction::next, url::next},
    {HostAction::recordScreen, url::recordScreen},
    {HostAction::recordAudio, url::recordAudio},
    {HostAction::editor, url::editor},
}};

}  // namespace

std::optional<HostAction> hostActionFor(std::string_view text) {
    for (const auto& [action, known] : kTable) {
        if (text == known) {
            return action;
        }
    }
    return std::nullopt;
}

bool isPlayerAction(HostAction action) {
    switch (action) {
        case HostAction::toggle:
        case HostAction::play:
        case HostAction::prev:
        case HostAction::next:
            return true;
        case HostAction::recordScreen:
        case HostAction::recordAudio:
        case HostAction::editor:
            return false;
    }
    return false;
}

std::string_view urlOf(HostAction action) {
    for (const auto& [known, text] : kTable) {
        if (known == action) {
            return text;
        }
    }
    return {};
}

}  // namespace sonaris::host::links
