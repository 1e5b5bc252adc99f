#include "platform/foundation/date.hpp"

#include <gtest/gtest.h>

#include <chrono>

namespace sonaris::platform::foundation {
namespace {

TEST(DateTest, NowCountsFromTheReferenceDate) {
    const double unixNow =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    const double now = Date::now().timeIntervalSinceReferenceDate;
    EXPECT_NEAR(now, unixNow - 978307200.0, 5.0);
}

}  // namespace
}  // namespace sonaris::platform::foundation
