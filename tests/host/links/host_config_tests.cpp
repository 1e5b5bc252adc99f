#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "host/links/host_config.hpp"
#include "host/links/links_test_support.hpp"

namespace sonaris::host::links {
namespace {

using testing::ScopedEnv;
using testing::ScratchFolder;
using testing::writeText;
using Argv = std::vector<std::string>;

std::variant<HostConfig, ConfigError> loadText(const ScratchFolder& folder, std::string_view text) {
    const auto path = folder.path() / "host.toml";
    writeText(path, text);
    return loadHostConfig(path);
}

TEST(HostConfigTest, ReadsArraysAndPlainStringsExpandingTheHomeFolder) {
    ScratchFolder folder;
    ScopedEnv home("HOME", "/home/ann/");
    const auto loaded = loadText(folder, R"(
# tools for the widget's buttons
[commands]
record-screen = ["wf-recorder", "-f", "~/screen file.mp4", "a~/b"]
record-audio = "  arecord	-q ~/voice.wav  "
editor = ["~/bin/edit"]
)");
    ASSERT_TRUE(std::holds_alternative<HostConfig>(loaded))
        << std::get<ConfigError>(loaded).message;
    const auto& config = std::get<HostConfig>(loaded);
    EXPECT_EQ(config.commands.at(HostAction::recordScreen),
              (Argv{"wf-recorder", "-f", "/home/ann/screen file.mp4", "a~/b"}));
    EXPECT_EQ(config.commands.at(HostAction::recordAudio),
              (Argv{"arecord", "-q", "/home/ann/voice.wav"}));
    EXPECT_EQ(config.commands.at(HostAction::editor), (Argv{"/home/ann/bin/edit"}));
    EXPECT_TRUE(config.warnings.empty());
}

TEST(HostConfigTest, MissingOrEmptyFileIsAnEmptyConfiguration) {
    ScratchFolder folder;
    const auto missing = loadHostConfig(folder.path() / "nowhere" / "host.toml");
    ASSERT_TRUE(std::holds_alternative<HostConfig>(missing));
    EXPECT_TRUE(std::get<HostConfig>(missing).commands.empty());
    const auto empty = loadText(folder, "");
    ASSERT_TRUE(std::holds_alternative<HostConfig>(empty));
    EXPECT_TRUE(std::get<HostConfig>(empty).commands.empty());
}

TEST(HostConfigTest, UnknownKeysAreWarningsNamingTheirLineAndKeepTheRest) {
    ScratchFolder folder;
    const auto loaded = loadText(folder, R"([commands]
editor = ["kdenlive"]
record_screen = ["wf-recorder"]

[players]
prefer = "mpv"
)");
    ASSERT_TRUE(std::holds_alternative<HostConfig>(loaded));
    const auto& config = std::get<HostConfig>(loaded);
    EXPECT_EQ(config.commands.size(), 1u);
    ASSERT_EQ(config.warnings.size(), 2u);
    EXPECT_NE(config.warnings[0].find("host.toml:3:"), std::string::npos) << config.warnings[0];
    EXPECT_NE(config.warnings[0].find("record_screen"), std::string::npos);
    EXPECT_NE(config.warnings[1].find("players"), std::string::npos) << config.warnings[1];
}

TEST(HostConfigTest, BrokenFilesAreOneLineErrorsNamingFileAndLine) {
    struct Case {
        const char* name;
        const char* text;
        int line;
        const char* mentions;
    };
    const Case cases[] = {
        {"syntax", "[commands]\neditor = [\"kdenlive\"\nrecord-audio = 1\n", 3, ""},
        {"duplicate key", "[commands]\neditor = \"a\"\neditor = \"b\"\n", 3, ""},
        {"bad utf-8", "[commands]\n\neditor = \"\xff\"\n", 3, ""},
        {"commands not a table", "\n\ncommands = 3\n", 3, "commands"},
        {"number command", "[commands]\n\n\neditor = 5\n", 4, "editor"},
        {"table command", "[commands.editor]\nprogram = \"x\"\n", 1, "editor"},
        {"number argument", "[commands]\nrecord-audio = [\"arecord\",\n 7]\n", 3, "record-audio"},
        {"empty array", "[commands]\neditor = []\n", 2, "editor"},
        {"blank string", "[commands]\n\neditor = \"   \"\n", 3, "editor"},
        {"empty program", "[commands]\neditor = [\"\", \"x\"]\n", 2, "editor"},
        {"quoted string", "[commands]\neditor = \"code '~/my notes'\"\n", 2, "array"},
        {"shell operator", "[commands]\neditor = \"kdenlive && notify-send x\"\n", 2, "sh"},
        {"unterminated string", "[commands]\neditor = \"\"\"\nx\n", 3, ""},
    };
    ScratchFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto loaded = loadText(folder, c.text);
        ASSERT_TRUE(std::holds_alternative<ConfigError>(loaded));
        const auto& message = std::get<ConfigError>(loaded).message;
        const auto where = (folder.path() / "host.toml").string() + ":" + std::to_string(c.line);
        EXPECT_EQ(message.rfind(where, 0), 0u) << message;
        EXPECT_NE(message.find(c.mentions), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
}

TEST(HostConfigTest, UnreadablePlacesAreErrorsNotBlocks) {
    ScratchFolder folder;
    const auto fifo = folder.path() / "fifo.toml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(std::holds_alternative<ConfigError>(loadHostConfig(fifo)));
    EXPECT_TRUE(std::holds_alternative<ConfigError>(loadHostConfig(folder.path())));
    const auto big = folder.path() / "big.toml";
    writeText(big, "# " + std::string(1 << 20, 'x') + "\n");
    EXPECT_TRUE(std::holds_alternative<ConfigError>(loadHostConfig(big)));
}

TEST(HostConfigTest, PathFollowsXdgConfigHomeThenHome) {
    ScopedEnv home("HOME", "/home/ann");
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(hostConfigPath(), std::filesystem::path("/cfg/sonaris/host.toml"));
    }
    for (const char* ignored : {"", "relative/cfg"}) {
        ScopedEnv config("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(hostConfigPath(), std::filesystem::path("/home/ann/.config/sonaris/host.toml"));
    }
}

}  // namespace
}  // namespace sonaris::host::links
