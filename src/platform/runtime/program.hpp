#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace sonaris::platform::runtime {

// Where a command, or the live widget, prints.
struct Streams {
    std::ostream& out;
    std::ostream& err;
};

inline constexpr int exitSuccess = 0;
inline constexpr int exitOutputFailed = 1;
inline constexpr int exitUsage = 2;

// Why the arguments or the settings make no sense, in one line (without the program name).
struct UsageError {
    std::string message;
};

// Larger rasters than this are refused up front rather than failing (or swapping) mid-paint.
inline constexpr double maximumPixelsPerSide = 16384;

// Prints "sonaris-widget: <message>" as one line on `err`.
void reportError(std::ostream& err, std::string_view message);

// The exit status once a command has printed everything: output that did not reach its
// destination (a full disk, a closed pipe) is a failure, not a success.
int finishOutput(Streams streams);

}  // namespace sonaris::platform::runtime
