#include "platform/desktop/single_instance.hpp"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

namespace sonaris::platform::desktop {
namespace {

// One claim a name: a second finds the first (and its process), other names are free, and the
// name is free again once the first lets go, with nothing left behind.
TEST(SingleInstance, OneWidgetANameUntilItEnds) {
    std::string name = "test-" + std::to_string(getpid());
    auto first = SingleInstance::claim(name);
    ASSERT_TRUE(std::holds_alternative<SingleInstance>(first));

    auto second = SingleInstance::claim(name);
    auto* taken = std::get_if<SingleInstance::Taken>(&second);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->pid, getpid());

    // The knock of the second is waiting on the first's socket and is answered without blocking.
    pollfd knock{std::get<SingleInstance>(first).fd(), POLLIN, 0};
    ASSERT_EQ(poll(&knock, 1, 1000), 1);
    std::get<SingleInstance>(first).answer();
    EXPECT_EQ(poll(&knock, 1, 0), 0);

    EXPECT_TRUE(std::holds_alternative<SingleInstance>(SingleInstance::claim(name + "-other")));
    EXPECT_TRUE(std::holds_alternative<SingleInstance>(
        SingleInstance::claim(std::string(1000, 'x') + "\n")));

    first = std::string("released");
    EXPECT_TRUE(std::holds_alternative<SingleInstance>(SingleInstance::claim(name)));
}

}  // namespace
}  // namespace sonaris::platform::desktop
