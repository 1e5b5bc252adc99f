#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>
#include <string>

#include "host/links/links_test_support.hpp"
#include "host/links/tool_launcher.hpp"

namespace sonaris::host::links {
namespace {

using testing::eventually;
using testing::readText;
using testing::ScopedEnv;
using testing::ScratchFolder;
using testing::writeText;

// No notification server may answer during these tests, whatever the machine runs.
struct NoBus {
    ScopedEnv address{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/sonaris-test-bus"};
    ScopedEnv runtime{"XDG_RUNTIME_DIR", "/nonexistent"};
};

bool hasNoChildren() {
    return ::waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD;
}

long lineCount(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

TEST(ToolLauncherTest, StartsTheCommandDetachedFromPathWithoutAShellOrOurDescriptors) {
    NoBus noBus;
    ScratchFolder folder;
    const auto bin = folder.path() / "bin";
    const auto marker = folder.path() / "marker";
    writeText(bin / "sonaris-test-tool", R"sh(#!/bin/sh
sleep 0.2
out=$(readlink /proc/$$/fd/1)
{
  echo "args:$*"
  echo "stdin:$(readlink /proc/$$/fd/0)"
  echo "stdout:$out"
  echo "env:$SONARIS_TEST_VALUE"
  if [ -e /proc/$$/fd/$SONARIS_TEST_FD ]; then echo "leaked"; fi
} > "$1.tmp" && mv "$1.tmp" "$1"
)sh");
    std::filesystem::permissions(bin / "sonaris-test-tool", std::filesystem::perms::owner_all);
    const char* searched = std::getenv("PATH");
    ScopedEnv path("PATH", bin.string() + ":" + (searched ? searched : "/usr/bin:/bin"));
    // A descriptor of ours without close-on-exec, as a careless library might leave one.
    const int leaky = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(leaky, 0);
    ScopedEnv leak("SONARIS_TEST_FD", std::to_string(leaky));
    ScopedEnv value("SONARIS_TEST_VALUE", "inherited");

    HostConfig config;
    config.commands[HostAction::recordAudio] = {"sonaris-test-tool", marker.string(), "$HOME",
                                                "a b;c"};
    // Our stdout a pipe, as when a caller captures it: the tool must not keep it open.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const int savedOut = ::dup(STDOUT_FILENO);
    ::dup2(ends[1], STDOUT_FILENO);
    ::close(ends[1]);
    std::ostringstream err;
    const int status = runToolAction(HostAction::recordAudio, config, err);
    ::dup2(savedOut, STDOUT_FILENO);
    ::close(savedOut);
    ::close(leaky);
    char byte = 0;
    EXPECT_EQ(::read(ends[0], &byte, 1), 0);  // end of file at once: no one else holds it
    ::close(ends[0]);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(err.str(), "");
    // The tool is not our child, running or dead: nothing for us to reap, ever.
    EXPECT_TRUE(hasNoChildren());
    ASSERT_TRUE(eventually([&] { return std::filesystem::exists(marker); }));
    EXPECT_EQ(readText(marker),
              "args:" + marker.string() +
                  " $HOME a b;c\nstdin:/dev/null\nstdout:/dev/null\nenv:inherited\n");
}

TEST(ToolLauncherTest, UnsetOrUnstartableCommandsFailWithOneLine) {
    NoBus noBus;
    ScratchFolder folder;
    ScopedEnv config("XDG_CONFIG_HOME", folder.path().string());
    const auto place = (folder.path() / "sonaris" / "host.toml").string();
    struct Case {
        const char* name;
        HostAction action;
        HostConfig config;
        std::vector<std::string> mentions;
    };
    const Case cases[] = {
        {"unset", HostAction::editor, {}, {"editor", place}},
        {"misspelt",
         HostAction::recordScreen,
         {{}, {place + ":2: unknown command 'record_screen' is ignored"}},
         {"record-screen", place, "record_screen"}},
        {"missing program",
         HostAction::recordScreen,
         {{{HostAction::recordScreen, {"sonaris-no-such-program", "-x"}}}, {}},
         {"sonaris-no-such-program", "No such file or directory"}},
        {"not a program",
         HostAction::editor,
         {{{HostAction::editor, {folder.path().string()}}}, {}},
         {"Permission denied"}},
        {"player action", HostAction::toggle, {}, {"sonaris://toggle"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ostringstream err;
        EXPECT_EQ(runToolAction(c.action, c.config, err), 1);
        EXPECT_EQ(lineCount(err.str()), 1) << err.str();
        EXPECT_EQ(err.str().rfind("sonaris-host: ", 0), 0u) << err.str();
        for (const auto& mention : c.mentions) {
            EXPECT_NE(err.str().find(mention), std::string::npos) << err.str();
        }
        EXPECT_TRUE(hasNoChildren());
    }
}

}  // namespace
}  // namespace sonaris::host::links
