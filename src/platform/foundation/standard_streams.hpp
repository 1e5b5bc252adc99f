#pragma once

namespace sonaris::platform::foundation {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed. A program started with
// them closed would otherwise hand them to the first files and sockets it opens, and its
// messages would be written into those: into the display's connection, or a PNG it writes.
// Call it first thing in main, before anything opens a descriptor.
void openClosedStandardStreams();

}  // namespace sonaris::platform::foundation
