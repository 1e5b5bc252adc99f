#pragma once

#include <optional>

#include <sdbus-c++/Message.h>
#include <sdbus-c++/Types.h>

#include "host/players/player_properties.hpp"

namespace sonaris::host::players {

// Reading a player's message the library's way copies every value at least twice, a 50 MB art
// URL included. These read from the received message in place instead, and copy no more of a
// value than the host could use: a string is taken up to one byte past the longest one kept (so
// that an overlong one still shows), a list of strings up to a few hundred items; values of
// shapes no property has are stepped over, an item at a time. Object paths, which the bus checks
// for form but not length, are copied whole.

// An a{sv} at the message's read position; what could not be read is left out.
PropertyMap readPropertyMap(sdbus::Message& message);

// A v at the message's read position; nothing when its value is not of a shape kept.
std::optional<sdbus::Variant> readVariant(sdbus::Message& message);

}  // namespace sonaris::host::players
