#include "platform/foundation/standard_streams.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sonaris::platform::foundation {
namespace {

// In a child started with its standard streams closed, the streams become /dev/null and the
// next socket takes a descriptor above them, so nothing meant for stderr lands in it.
TEST(StandardStreams, ClosedOnesAreFilledSoNewSocketsStayClearOfThem) {
    struct stat null {};
    ASSERT_EQ(stat("/dev/null", &null), 0);
    for (int closed : {0b110, 0b111, 0b010}) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int fd = 0; fd <= 2; ++fd)
                if (closed & (1 << fd))
                    close(fd);
            openClosedStandardStreams();
            int code = 0;
            for (int fd = 0; fd <= 2; ++fd) {
                struct stat opened {};
                if (fstat(fd, &opened) != 0)
                    code |= 1;
                else if ((closed & (1 << fd)) && opened.st_rdev != null.st_rdev)
                    code |= 2;
            }
            int pair[2];
            if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0 || pair[0] <= 2 || pair[1] <= 2)
                code |= 4;
            if (write(2, "", 0) != 0)
                code |= 8;
            _exit(code);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "closed mask " << closed;
    }
}

}  // namespace
}  // namespace sonaris::platform::foundation
