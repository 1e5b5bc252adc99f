#include "platform/foundation/file.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/foundation/scratch_directory.hpp"

namespace sonaris::platform::foundation {
namespace {

using sonaris::testing::ScratchDirectory;

TEST(ReadWholeFileTest, ReadsContentOfEverySize) {
    ScratchDirectory scratch;
    for (const std::size_t size : {0, 1, 4095, 4096, 65537, 3 << 20}) {
        std::string content(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            content[i] = static_cast<char>(i * 31 + 7);
        const auto path = scratch.write("file", content);

        const auto bytes = readWholeFile(path);
        ASSERT_TRUE(bytes) << size;
        EXPECT_EQ(std::string(bytes->begin(), bytes->end()), content) << size;

        const auto padded = readWholeFilePadded(path, 64);
        ASSERT_TRUE(padded) << size;
        ASSERT_EQ(padded->size(), size);
        EXPECT_GE(padded->capacity(), size + 64);
        EXPECT_EQ(std::string(padded->bytes().begin(), padded->bytes().end()), content);
        for (std::size_t i = size; i < size + 64; ++i)
            ASSERT_EQ(padded->data()[i], 0) << i;
    }
}

TEST(ReadWholeFileTest, ReadsFilesWhoseReportedSizeIsWrong) {
    // Files of /proc report a size of 0 but have content.
    const auto bytes = readWholeFilePadded("/proc/self/status", 64);
    ASSERT_TRUE(bytes);
    EXPECT_GT(bytes->size(), 0u);
    EXPECT_NE(std::string(bytes->bytes().begin(), bytes->bytes().end()).find("Name:"),
              std::string::npos);
}

TEST(ReadWholeFileTest, FailsAtOnceOnAnythingButARegularFile) {
    ScratchDirectory scratch;
    const auto fifo = scratch.path() / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    // A named pipe with no writer would block an ordinary open or read forever.
    const std::filesystem::path paths[] = {scratch.path(), fifo,        scratch.path() / "missing",
                                           "/dev/null",    "/dev/zero", ""};
    for (const auto& path : paths) {
        EXPECT_FALSE(readWholeFile(path)) << path;
        EXPECT_FALSE(readWholeFilePadded(path, 64)) << path;
    }
}

TEST(ReadWholeFileTest, FailsWithoutReadPermission) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root";
    ScratchDirectory scratch;
    const auto path = scratch.write("secret", "data");
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    EXPECT_FALSE(readWholeFile(path));
    EXPECT_FALSE(readWholeFilePadded(path, 64));
}

TEST(ReadWholeFileTest, FollowsSymbolicLinks) {
    ScratchDirectory scratch;
    const auto target = scratch.write("target", "linked");
    std::filesystem::create_symlink(target, scratch.path() / "link");
    const auto bytes = readWholeFile(scratch.path() / "link");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "linked");
}

}  // namespace
}  // namespace sonaris::platform::foundation
