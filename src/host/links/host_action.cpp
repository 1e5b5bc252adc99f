#include "host/links/host_action.hpp"

#include <algorithm>
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

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return asciiLower(x) == asciiLower(y);
           });
}

}  // namespace

std::optional<HostAction> hostActionFor(std::string_view text) {
    for (const auto& [action, known] : kTable) {
        if (equalsIgnoringAsciiCase(text, known)) {
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
