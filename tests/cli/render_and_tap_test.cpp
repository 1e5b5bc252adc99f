#include <gtest/gtest.h>
#include <simdjson.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdint>
#include <fstream>
#include <optional>

#include "cli/cli_support.hpp"

namespace sonaris::testing {
namespace {

struct PngHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
};

std::optional<PngHeader> readPngHeader(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char bytes[26] = {};
    if (!in.read(reinterpret_cast<char*>(bytes), sizeof bytes))
        return std::nullopt;
    const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (!std::equal(signature, signature + 8, bytes) ||
        std::string(bytes + 12, bytes + 16) != "IHDR")
        return std::nullopt;
    auto word = [&](int at) {
        return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 |
               std::uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
    };
    return PngHeader{word(16), word(20), bytes[24], bytes[25]};
}

TEST(Render, WritesExactlyTheExpectedFiles) {
    struct Case {
        std::vector<std::string> arguments;
        // Each file written (relative to the working folder) with its size in pixels.
        std::vector<std::tuple<std::string, std::uint32_t, std::uint32_t>> files;
    };
    const std::vector<Case> cases = {
        {{"render"},
         {{"sonaris-small.png", 340, 340},
          {"sonaris-medium.png", 728, 340},
          {"sonaris-large.png", 728, 764}}},
        {{"render", "--family", "all", "--out", "pictures/today", "--scale", "1"},
         {{"pictures/today/sonaris-small.png", 170, 170},
          {"pictures/today/sonaris-medium.png", 364, 170},
          {"pictures/today/sonaris-large.png", 364, 382}}},
        {{"render", "--family", "systemMedium"}, {{"sonaris-medium.png", 728, 340}}},
        {{"render", "--family", "large", "--out", "big.png", "--size", "100x50", "--scale", "3"},
         {{"big.png", 300, 150}}},
    };
    for (const auto& c : cases) {
        ScratchFolder home;
        ScratchFolder work;
        auto result = runWidget(home, c.arguments, work.path());
        ASSERT_EQ(result.exitStatus, 0) << ::testing::PrintToString(c.arguments) << result.err;
        EXPECT_EQ(result.err, "");

        std::string expectedOut;
        std::set<std::string> expectedFiles;
        for (const auto& [file, width, height] : c.files) {
            expectedOut += file + "\n";
            for (auto path = std::filesystem::path(file); !path.empty(); path = path.parent_path())
                expectedFiles.insert(path.string());
            auto header = readPngHeader(work.path() / file);
            ASSERT_TRUE(header) << file;
            EXPECT_EQ(header->width, width) << file;
            EXPECT_EQ(header->height, height) << file;
            EXPECT_EQ(header->bitDepth, 8) << file;
            EXPECT_EQ(header->colourType, 6) << file;  // RGBA
        }
        EXPECT_EQ(result.out, expectedOut);
        EXPECT_EQ(folderContents(work.path()), expectedFiles);
        EXPECT_EQ(folderContents(home.path()), std::set<std::string>{});
    }
}

TEST(Render, AnOutputThatCannotBeWrittenExitsOne) {
    ScratchFolder home;
    ScratchFolder work;
    work.write("plain-file", "x");
    const std::vector<std::vector<std::string>> cases = {
        {"render", "--family", "small", "--out", "plain-file/small.png"},
        {"render", "--out", "plain-file"},
        {"render", "--out", "plain-file/pictures"},
    };
    for (const auto& arguments : cases) {
        auto result = runWidget(home, arguments, work.path());
        EXPECT_EQ(result.exitStatus, 1) << ::testing::PrintToString(arguments);
        EXPECT_TRUE(isOneLine(result.err)) << result.err;
        EXPECT_EQ(folderContents(work.path()), std::set<std::string>{"plain-file"});
    }
}

// Nothing that stood at the output path is lost to a run that fails, and a run refused as bad
// usage makes nothing at all.
TEST(Render, AFailedRunKeepsWhatStoodThere) {
    ScratchFolder home;
    ScratchFolder work;
    auto refused =
        runWidget(home, {"render", "--scale", "0.001", "--out", "pictures"}, work.path());
    EXPECT_EQ(refused.exitStatus, 2);
    EXPECT_TRUE(isOneLine(refused.err)) << refused.err;
    EXPECT_EQ(folderContents(work.path()), std::set<std::string>{});

    // As root, a failed write once removed a device node given as the output.
    const auto full = work.path() / "full";
    if (::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "device nodes cannot be made here";
    auto failed = runWidget(home, {"render", "--family", "small", "--out", "full"}, work.path());
    EXPECT_EQ(failed.exitStatus, 1);
    EXPECT_TRUE(isOneLine(failed.err)) << failed.err;
    EXPECT_TRUE(std::filesystem::is_character_file(full));
    EXPECT_EQ(folderContents(work.path()), std::set<std::string>{"full"});
}

struct LinkTarget {
    std::string url;
    double x = 0;
    double y = 0;
};

void collectLinks(simdjson::dom::element node, std::vector<LinkTarget>& links) {
    std::string_view type;
    if (node["type"].get(type) == simdjson::SUCCESS && type == "Link") {
        std::string_view url;
        simdjson::dom::array frame;
        if (node["url"].get(url) == simdjson::SUCCESS &&
            node["frame"].get(frame) == simdjson::SUCCESS) {
            double values[4] = {};
            int i = 0;
            for (auto value : frame)
                values[i++ % 4] = double(value);
            links.push_back(
                {std::string(url), values[0] + values[2] / 2, values[1] + values[3] / 2});
        }
    }
    simdjson::dom::array children;
    if (node["children"].get(children) == simdjson::SUCCESS)
        for (auto child : children)
            collectLinks(child, links);
}

TEST(Tap, OpensWhatTheTreeShowsAtThePoint) {
    ScratchFolder home;
    home.write(std::string(supportFolder) + "/widget_state.json", hostState("Соната", true));

    auto tree = runWidget(home, {"tree", "--family", "medium"});
    ASSERT_EQ(tree.exitStatus, 0) << tree.err;
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    ASSERT_EQ(parser.parse(tree.out).get(root), simdjson::SUCCESS);
    std::string_view family;
    EXPECT_EQ(root["family"].get(family), simdjson::SUCCESS);
    EXPECT_EQ(family, "systemMedium");
    std::vector<LinkTarget> links;
    collectLinks(root["root"], links);
    ASSERT_FALSE(links.empty()) << tree.out;

    for (const auto& link : links) {
        auto tap = runWidget(
            home, {"tap", "--family", "medium", std::to_string(link.x), std::to_string(link.y)});
        EXPECT_EQ(tap.exitStatus, 0) << tap.err;
        EXPECT_EQ(tap.out, link.url + "\n") << link.x << "," << link.y;
    }
    auto outside = runWidget(home, {"tap", "--family", "medium", "-5", "-5"});
    EXPECT_EQ(outside.exitStatus, 0);
    EXPECT_EQ(outside.out, "");
}

TEST(Tap, TheSmallWidgetOpensItsWidgetUrlAnywhere) {
    ScratchFolder home;
    home.write(std::string(supportFolder) + "/widget_state.json", hostState("Соната", true));
    auto tap = runWidget(home, {"tap", "--family", "small", "85", "85"});
    EXPECT_EQ(tap.exitStatus, 0) << tap.err;
    EXPECT_EQ(tap.out, "sonaris://toggle\n");
}

}  // namespace
}  // namespace sonaris::testing
