#include "timeline/sonaris_entry.hpp"

#include <ostream>
#include <sstream>

#include "state/state_json.hpp"

namespace sonaris::timeline {

void writeEntryJsonMembers(std::ostream& out, const SonarisEntry& entry) {
    out << "\"state\": ";
    // A state from a file or the default always encodes; one built with a NaN or an infinity
    // has no JSON form, and null says so rather than writing invalid JSON.
    if (!state::writeJson(out, entry.state))
        out << "null";
    out << ", \"artwork\": ";
    if (entry.artwork) {
        const auto size = entry.artwork->naturalSize();
        out << "{\"width\": " << size.width << ", \"height\": " << size.height << '}';
    } else {
        out << "null";
    }
}

std::string entryJsonMembers(const SonarisEntry& entry) {
    std::ostringstream out;
    writeEntryJsonMembers(out, entry);
    return std::move(out).str();
}

bool sameContent(const SonarisEntry& a, const SonarisEntry& b) {
    return a.state == b.state;
}

}  // namespace sonaris::timeline
