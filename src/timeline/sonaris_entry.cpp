#include "timeline/sonaris_entry.hpp"

#include "state/state_json.hpp"

namespace sonaris::timeline {

std::string entryJsonMembers(const SonarisEntry& entry) {
    std::string json = "\"state\": ";
    // A state from a file or the default always encodes; one built with a NaN or an infinity
    // has no JSON form, and null says so rather than writing invalid JSON.
    if (!state::appendJson(json, entry.state))
        json += "null";
    json += ", \"artwork\": ";
    if (entry.artwork) {
        const auto size = entry.artwork->naturalSize();
        json += "{\"width\": " + std::to_string(size.width) +
                ", \"height\": " + std::to_string(size.height) + "}";
    } else {
        json += "null";
    }
    return json;
}

}  // namespace sonaris::timeline
