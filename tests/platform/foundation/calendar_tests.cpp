#include "platform/foundation/calendar.hpp"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>

namespace sonaris::platform::foundation {
namespace {

using Component = Calendar::Component;

// Runs the test body in a given time zone and restores the previous one.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            previous_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (previous_)
            setenv("TZ", previous_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

  private:
    std::optional<std::string> previous_;
};

TEST(CalendarTest, AddsFixedLengthComponentsAsAbsoluteTime) {
    const Calendar calendar = Calendar::current();
    const Date base{123456.75};
    const struct {
        Component component;
        int value;
        double seconds;
    } cases[] = {
        {Component::minute, 15, 900}, {Component::minute, -15, -900}, {Component::second, 1, 1},
        {Component::hour, 2, 7200},   {Component::minute, 0, 0},
    };
    for (const auto& c : cases) {
        const auto result = calendar.date(c.component, c.value, base);
        ASSERT_TRUE(result);
        EXPECT_DOUBLE_EQ(result->timeIntervalSinceReferenceDate, 123456.75 + c.seconds);
    }
}

TEST(CalendarTest, GivesNoDateForUnrepresentableInput) {
    const Calendar calendar = Calendar::current();
    const double inputs[] = {std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()};
    for (const double input : inputs)
        for (const auto component : {Component::minute, Component::day})
            EXPECT_FALSE(calendar.date(component, 15, Date{input})) << input;
    EXPECT_FALSE(calendar.date(Component::minute, 15, Date{DBL_MAX}));
    EXPECT_FALSE(calendar.date(Component::day, 1, Date{1e300}));
}

TEST(CalendarTest, ADayKeepsTheWallClockTimeAcrossADaylightSavingChange) {
    ScopedTimeZone zone("Europe/Berlin");
    // 2024-03-30 12:00 CET; clocks go forward that night, so one day later is 23 hours later.
    const Date before{733489200.0};
    const auto after = Calendar::current().date(Component::day, 1, before);
    ASSERT_TRUE(after);
    EXPECT_DOUBLE_EQ(after->timeIntervalSinceReferenceDate - before.timeIntervalSinceReferenceDate,
                     23 * 3600.0);
    // A minute step is absolute time even then.
    const auto minute = Calendar::current().date(Component::minute, 15, before);
    EXPECT_DOUBLE_EQ(minute->timeIntervalSinceReferenceDate, 733489200.0 + 900);
}

TEST(CalendarTest, WrappingStaysWithinTheNextLargerUnit) {
    ScopedTimeZone zone("UTC");
    const Date at1150{733489200.0 + 50 * 60 + 0.5};  // 2024-03-30 11:50:00.5 UTC
    const auto wrapped = Calendar::current().date(Component::minute, 15, at1150, true);
    ASSERT_TRUE(wrapped);
    // 11:05:00.5, the same hour.
    EXPECT_DOUBLE_EQ(wrapped->timeIntervalSinceReferenceDate, 733489200.0 + 5 * 60 + 0.5);
}

}  // namespace
}  // namespace sonaris::platform::foundation
