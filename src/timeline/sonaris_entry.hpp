#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "platform/foundation/date.hpp"
#include "platform/image/image.hpp"
#include "state/widget_shared_state.hpp"

namespace sonaris::timeline {

// One timeline entry: the state and cover art as read at one moment.
struct SonarisEntry {
    platform::foundation::Date date;
    state::WidgetSharedState state;
    std::optional<platform::image::Image> artwork;
};

// Whether the two entries show the same: the cover is read from the state, and the view does not
// depend on the entry's date.
bool sameContent(const SonarisEntry& a, const SonarisEntry& b);

// `"state": STATE, "artwork": null | {"width": W, "height": H}` for the command line, written as
// it is produced: a state with an inline cover runs to megabytes.
void writeEntryJsonMembers(std::ostream& out, const SonarisEntry& entry);
// The same as one string.
std::string entryJsonMembers(const SonarisEntry& entry);

}  // namespace sonaris::timeline
