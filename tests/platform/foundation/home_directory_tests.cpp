#include "platform/foundation/home_directory.hpp"

#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace sonaris::platform::foundation {
namespace {

class HomeDirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* home = std::getenv("HOME"))
            saved_ = home;
    }
    void TearDown() override {
        if (saved_)
            setenv("HOME", saved_->c_str(), 1);
        else
            unsetenv("HOME");
    }

    static std::filesystem::path passwordEntryHome() { return getpwuid(getuid())->pw_dir; }

  private:
    std::optional<std::string> saved_;
};

TEST_F(HomeDirectoryTest, PrefersHomeFromTheEnvironmentAndAsksAfreshEachTime) {
    setenv("HOME", "/tmp/first", 1);
    EXPECT_EQ(homeDirectoryForCurrentUser(), std::filesystem::path("/tmp/first"));
    setenv("HOME", "/tmp/second home", 1);
    EXPECT_EQ(homeDirectoryForCurrentUser(), std::filesystem::path("/tmp/second home"));
}

TEST_F(HomeDirectoryTest, FallsBackToThePasswordEntryWhenHomeIsUnsetOrEmpty) {
    setenv("HOME", "", 1);
    EXPECT_EQ(homeDirectoryForCurrentUser(), passwordEntryHome());
    unsetenv("HOME");
    EXPECT_EQ(homeDirectoryForCurrentUser(), passwordEntryHome());
}

}  // namespace
}  // namespace sonaris::platform::foundation
