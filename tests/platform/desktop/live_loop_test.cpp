#include "platform/desktop/live_loop.hpp"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <string>

namespace sonaris::platform::desktop {
namespace {

using namespace std::chrono_literals;

TEST(LiveLoop, RunsSourcesAndDeadlinesInTimeOrderAndEndsOnSigterm) {
    auto loop = LiveLoop::create();
    ASSERT_TRUE(loop);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    foundation::FileDescriptor readEnd(pipeEnds[0]);
    foundation::FileDescriptor writeEnd(pipeEnds[1]);

    std::string happened;
    auto start = LiveLoop::Clock::now();
    loop->addDeadline(start + 60ms, [&] {
        happened += "late ";
        // The process is told to end, as a session ending does.
        ::kill(::getpid(), SIGTERM);
    });
    auto cancelled = loop->addDeadline(start + 20ms, [&] { happened += "cancelled "; });
    loop->addDeadline(start + 10ms, [&] {
        happened += "early ";
        loop->cancelDeadline(cancelled);
        [[maybe_unused]] auto written = ::write(writeEnd.get(), "x", 1);
    });
    loop->addSource(readEnd.get(), POLLIN, [&](short) {
        char byte;
        [[maybe_unused]] auto read = ::read(readEnd.get(), &byte, 1);
        happened += "readable ";
    });
    EXPECT_EQ(loop->run(), 0);
    EXPECT_EQ(happened, "early readable late ");
    EXPECT_GE(LiveLoop::Clock::now() - start, 60ms);
}

TEST(LiveLoop, QuitEndsTheRunWithItsStatusAndAWallClockDateInThePastIsDueAtOnce) {
    auto loop = LiveLoop::create();
    ASSERT_TRUE(loop);
    bool due = false;
    loop->setWallClockDeadline(foundation::Date::now().addingTimeInterval(-1), [&] {
        due = true;
        loop->quit(3);
    });
    EXPECT_EQ(loop->run(), 3);
    EXPECT_TRUE(due);
}

TEST(LiveLoop, EndsOnASigtermThatWorkBeforeThePollSawFirst) {
    auto loop = LiveLoop::create();
    ASSERT_TRUE(loop);
    // A draw checks quitPending() between its steps, as the signal comes.
    loop->beforePoll([&] {
        ::kill(::getpid(), SIGTERM);
        EXPECT_TRUE(loop->quitPending());
    });
    // Without the fix the poll would wait for ever; this ends it with a status of its own.
    loop->addDeadline(LiveLoop::Clock::now() + 2s, [&] { loop->quit(9); });
    EXPECT_EQ(loop->run(), 0);
}

}  // namespace
}  // namespace sonaris::platform::desktop
