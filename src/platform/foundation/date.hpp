#pragma once

#include <compare>

namespace sonaris::platform::foundation {

// A point in time, counted in seconds since the reference date 2001-01-01 00:00:00 UTC.
struct Date {
    double timeIntervalSinceReferenceDate = 0;

    static Date now();
    // Seconds between the Unix epoch and the reference date.
    static constexpr double referenceDateUnixOffset = 978307200.0;

    Date addingTimeInterval(double seconds) const { return {timeIntervalSinceReferenceDate + seconds}; }
    auto operator<=>(const Date&) const = default;
};

}  // namespace sonaris::platform::foundation
