#pragma once

#include <cstddef>

namespace sonaris::state {

// The widget's whole process is held to 30 MB, and a state is in memory twice while it is
// decoded (the file's bytes and the record), with its inline cover once more as Base64 bytes.
// A state file beyond this size is refused unread, as an unreadable one is: the next location is
// tried, then the default state. Hosts that put the cover inline write a few megabytes (a 4.5 MB
// photograph is 6 MB of text); covers larger than that belong in the cover file.
inline constexpr std::size_t kMaxStateFileBytes = 8 * 1024 * 1024;

// A history row takes about three times its smallest JSON form in memory, so the file size alone
// would still let a state of bare rows decode to some 20 MB. No host keeps such a queue, and the
// widget shows two rows; a longer list refuses the file like any other rule it breaks.
inline constexpr std::size_t kMaxRecentTracks = 10'000;

}  // namespace sonaris::state
