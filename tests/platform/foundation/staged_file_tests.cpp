#include "platform/foundation/staged_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "platform/foundation/scratch_directory.hpp"

namespace sonaris::platform::foundation {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::set<std::string> names(const fs::path& folder) {
    std::set<std::string> result;
    for (const auto& entry : fs::directory_iterator(folder))
        result.insert(entry.path().filename().string());
    return result;
}

std::span<const std::uint8_t> bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(StagedFile, TheTargetChangesOnlyAtCommitAndWhole) {
    testing::ScratchDirectory dir;
    const auto old = dir.write("out.png", "old");
    ::chmod(old.c_str(), 0640);
    fs::create_symlink("out.png", dir.path() / "link.png");
    const std::string fresh = "new contents";

    {  // Staged but never committed: the old file stands and nothing else is left.
        auto staged = StagedFile::write(old, bytes(fresh));
        ASSERT_TRUE(std::holds_alternative<StagedFile>(staged));
        EXPECT_EQ(contents(old), "old");
    }
    EXPECT_EQ(names(dir.path()), (std::set<std::string>{"out.png", "link.png"}));

    // Through a link the file it names is replaced and the link stays; the mode is kept.
    auto staged = StagedFile::write(dir.path() / "link.png", bytes(fresh));
    ASSERT_TRUE(std::holds_alternative<StagedFile>(staged));
    EXPECT_EQ(std::get<StagedFile>(staged).commit(), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.png"));
    EXPECT_EQ(contents(old), fresh);
    EXPECT_EQ(fs::status(old).permissions(), fs::perms(0640));
    EXPECT_EQ(names(dir.path()), (std::set<std::string>{"out.png", "link.png"}));

    // A new file is made in a folder that exists, and only there.
    auto made = StagedFile::write(dir.path() / "new.png", bytes(fresh));
    ASSERT_TRUE(std::holds_alternative<StagedFile>(made));
    EXPECT_EQ(std::get<StagedFile>(made).commit(), std::nullopt);
    EXPECT_EQ(contents(dir.path() / "new.png"), fresh);
    auto nowhere = StagedFile::write(dir.path() / "missing" / "out.png", bytes(fresh));
    ASSERT_TRUE(std::holds_alternative<std::string>(nowhere));
    EXPECT_EQ(std::get<std::string>(nowhere).find('\n'), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.path() / "missing"));
}

// A device cannot be replaced by a rename: it is written into, and a failed write leaves it be.
TEST(StagedFile, ADeviceIsWrittenIntoAndNeverRemoved) {
    testing::ScratchDirectory dir;
    const auto full = dir.path() / "full";
    const auto null = dir.path() / "null";
    if (::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0 ||
        ::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "device nodes cannot be made here";
    const std::string data(4096, 'x');

    auto failed = StagedFile::write(full, bytes(data));
    ASSERT_TRUE(std::holds_alternative<std::string>(failed));
    EXPECT_FALSE(std::get<std::string>(failed).empty());
    auto written = StagedFile::write(null, bytes(data));
    ASSERT_TRUE(std::holds_alternative<StagedFile>(written));
    EXPECT_EQ(std::get<StagedFile>(written).commit(), std::nullopt);

    for (const auto& device : {full, null})
        EXPECT_TRUE(fs::is_character_file(device)) << device;
    EXPECT_EQ(names(dir.path()), (std::set<std::string>{"full", "null"}));
}

}  // namespace
}  // namespace sonaris::platform::foundation
