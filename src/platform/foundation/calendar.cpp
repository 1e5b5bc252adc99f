#include "platform/foundation/calendar.hpp"

#include <cerrno>
#include <climits>
#include <cmath>
#include <ctime>

namespace sonaris::platform::foundation {

namespace {

double secondsPerUnit(Calendar::Component component) {
    switch (component) {
        case Calendar::Component::second:
            return 1;
        case Calendar::Component::minute:
            return 60;
        case Calendar::Component::hour:
            return 3600;
        case Calendar::Component::day:
            return 86400;
    }
    return 1;
}

// About a billion years either side of the reference date: far beyond any real date, and small
// enough that a broken-down year fits an int and adding seconds is still exact.
constexpr double representableSeconds = 36028797018963968.0;  // 2^55

bool representable(double seconds) {
    return std::fabs(seconds) <= representableSeconds;
}

long long wrapped(long long field, long long value, long long lowest, long long count) {
    const long long offset = (field - lowest + value % count + count) % count;
    return lowest + offset;
}

int daysInMonth(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const long long fullYear = static_cast<long long>(year) + 1900;
    const bool leap = (fullYear % 4 == 0 && fullYear % 100 != 0) || fullYear % 400 == 0;
    return month == 1 && leap ? 29 : days[month];
}

// Day arithmetic and wrapping work on the local wall clock, so that "one day later" keeps the
// time of day across a daylight-saving change.
std::optional<Date> localCalendarDate(Calendar::Component component, int value, double t,
                                      bool wrappingComponents) {
    const double whole = std::floor(t);
    const double fraction = t - whole;
    const double unixSeconds = whole + Date::referenceDateUnixOffset;
    if (!representable(unixSeconds))
        return std::nullopt;
    const auto instant = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (!localtime_r(&instant, &local))
        return std::nullopt;

    using C = Calendar::Component;
    if (!wrappingComponents) {
        const long long day = static_cast<long long>(local.tm_mday) + value;
        if (day > INT_MAX || day < INT_MIN)
            return std::nullopt;
        local.tm_mday = static_cast<int>(day);
    } else if (component == C::second) {
        local.tm_sec = static_cast<int>(wrapped(local.tm_sec, value, 0, 60));
    } else if (component == C::minute) {
        local.tm_min = static_cast<int>(wrapped(local.tm_min, value, 0, 60));
    } else if (component == C::hour) {
        local.tm_hour = static_cast<int>(wrapped(local.tm_hour, value, 0, 24));
    } else {
        const int count = daysInMonth(local.tm_year, local.tm_mon);
        local.tm_mday = static_cast<int>(wrapped(local.tm_mday, value, 1, count));
    }
    local.tm_isdst = -1;
    errno = 0;
    const std::time_t result = std::mktime(&local);
    if (result == static_cast<std::time_t>(-1) && errno != 0)
        return std::nullopt;
    const double seconds = static_cast<double>(result) - Date::referenceDateUnixOffset + fraction;
    if (!representable(seconds))
        return std::nullopt;
    return Date{seconds};
}

}  // namespace

Calendar Calendar::current() {
    return Calendar();
}

std::optional<Date> Calendar::date(Component component, int value, Date date,
                                   bool wrappingComponents) const {
    const double t = date.timeIntervalSinceReferenceDate;
    // NaN fails this test too.
    if (!representable(t))
        return std::nullopt;
    if (wrappingComponents || component == Component::day)
        return localCalendarDate(component, value, t, wrappingComponents);
    // Seconds, minutes and hours are fixed lengths of absolute time: no leap seconds, and a
    // daylight-saving change shifts the wall clock, not the interval.
    const double result = t + static_cast<double>(value) * secondsPerUnit(component);
    if (!representable(result))
        return std::nullopt;
    return Date{result};
}

}  // namespace sonaris::platform::foundation
