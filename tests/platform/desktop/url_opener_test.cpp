#include "platform/desktop/url_opener.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/runtime/scratch_folder.hpp"

namespace sonaris::platform::desktop {
namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Reaps until every handler has ended, for at most five seconds.
void reapAll(UrlOpener& opener) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (opener.running() > 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        opener.reap();
    }
}

std::filesystem::path script(const testing::ScratchFolder& folder, std::string_view name,
                             std::string_view body) {
    folder.write(name, "#!/bin/sh\n" + std::string(body) + "\n");
    auto path = folder.path() / name;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

TEST(UrlOpener, PassesTheUrlAsOneArgumentWithoutAShell) {
    testing::ScratchFolder folder;
    auto record = folder.path() / "arguments";
    auto handler =
        script(folder, "handler",
               "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record.string() + "'");
    std::vector<std::string> reports;
    UrlOpener opener([&](const std::string& line) { reports.push_back(line); }, handler.string());

    auto url = foundation::URL::string("sonaris://toggle;$(touch${IFS}pwned)'`x`");
    ASSERT_TRUE(url);
    opener.open(*url);
    reapAll(opener);
    EXPECT_EQ(opener.running(), 0u);
    EXPECT_EQ(readFile(record), url->absoluteString() + "\n");
    EXPECT_TRUE(reports.empty());
    EXPECT_FALSE(std::filesystem::exists("pwned"));
}

TEST(UrlOpener, ReportsAMissingOrFailingHandlerInOneLine) {
    testing::ScratchFolder folder;
    struct Case {
        std::string handler;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {(folder.path() / "absent").string(), "is not installed"},
        {"sonaris-no-such-handler", "is not installed"},
        {script(folder, "fails", "exit 4").string(), "exited with status 4"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> reports;
        UrlOpener opener([&](const std::string& line) { reports.push_back(line); }, c.handler);
        opener.open(*foundation::URL::string("sonaris://play"));
        reapAll(opener);
        ASSERT_EQ(reports.size(), 1u) << c.handler;
        EXPECT_NE(reports[0].find("sonaris://play"), std::string::npos) << reports[0];
        EXPECT_NE(reports[0].find(c.expected), std::string::npos) << reports[0];
        EXPECT_EQ(reports[0].find('\n'), std::string::npos);
    }
}

TEST(UrlOpener, ReapingDoesNotWaitForARunningHandler) {
    testing::ScratchFolder folder;
    auto handler = script(folder, "slow", "sleep 1");
    UrlOpener opener([](const std::string&) {}, handler.string());
    opener.open(*foundation::URL::string("sonaris://next"));
    auto start = std::chrono::steady_clock::now();
    opener.reap();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(opener.running(), 1u);
    reapAll(opener);
}

}  // namespace
}  // namespace sonaris::platform::desktop
