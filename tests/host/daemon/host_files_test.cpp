#include <gtest/gtest.h>

#include <fstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/daemon/atomic_file.hpp"
#include "host/daemon/history_file.hpp"
#include "host/daemon/host_files_writer.hpp"
#include "host/daemon/track_history.hpp"
#include "platform/runtime/scratch_folder.hpp"
#include "state/state_json.hpp"

namespace sonaris::host::daemon {
namespace {

using state::WidgetTrackInfo;
using testing::ScratchFolder;

WidgetTrackInfo row(const std::string& title) {
    return {title, "artist", "3:07", "file:///" + title};
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(TrackHistory, NewestFirstMergedAndCapped) {
    TrackHistory history;
    EXPECT_TRUE(history.add(row("a")));
    EXPECT_TRUE(history.add(row("b")));
    EXPECT_FALSE(history.add(row("b")));
    EXPECT_TRUE(history.add(row("a")));
    ASSERT_EQ(history.rows().size(), 2u);
    EXPECT_EQ(history.rows()[0].title, "a");
    EXPECT_EQ(history.rows()[1].title, "b");
    for (int i = 0; i < 30; ++i)
        history.add(row(std::to_string(i)));
    ASSERT_EQ(history.rows().size(), TrackHistory::limit);
    EXPECT_EQ(history.rows().front().title, "29");
    // Rows read back keep their order, with duplicates merged.
    TrackHistory loaded({row("x"), row("y"), row("x")});
    ASSERT_EQ(loaded.rows().size(), 2u);
    EXPECT_EQ(loaded.rows()[0].title, "x");
}

TEST(HistoryFile, SurvivesARestartKeepsGoodRowsAndSetsAsideWhatItCannotRead) {
    ScratchFolder folder;
    auto path = folder.path() / "state/sonaris/history.json";
    std::vector<WidgetTrackInfo> rows{row("один"), {"q\"uote", "", "", ""}};
    ASSERT_TRUE(std::holds_alternative<HistoryRead>(saveHistory(path, {rows[1], rows[0]})));
    EXPECT_EQ(readHistory(path).rows, rows);
    EXPECT_FALSE(readHistory(path).notice);
    EXPECT_TRUE(readHistory(folder.path() / "missing.json").rows.empty());
    EXPECT_FALSE(readHistory(folder.path() / "missing.json").notice);

    // One bad row among good ones: the good ones stay, and the user is told in one line.
    std::string mixed = "{\"recentTracks\":[" + state::encodeJson(row("good")) +
                        ",{\"title\":1},\"x\"," + state::encodeJson(row("\x1b[2Jfine")) + "]}";
    folder.write("mixed.json", mixed);
    auto read = readHistory(folder.path() / "mixed.json");
    ASSERT_EQ(read.rows.size(), 2u);
    EXPECT_EQ(read.rows[0].title, "good");
    EXPECT_EQ(read.rows[1].title, "[2Jfine");
    ASSERT_TRUE(read.notice);
    EXPECT_NE(read.notice->find("skipped 2 rows"), std::string::npos) << *read.notice;
    EXPECT_EQ(readText(folder.path() / "mixed.json"), mixed);

    // A file that cannot be read at all is kept under another name before anything replaces it.
    const char* broken[] = {"{", "[]", "", "{\"recentTracks\":5}"};
    for (auto text : broken) {
        folder.write("broken.json", text);
        read = readHistory(folder.path() / "broken.json");
        EXPECT_TRUE(read.rows.empty()) << text;
        ASSERT_TRUE(read.notice) << text;
        EXPECT_EQ(read.notice->find('\n'), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(folder.path() / "broken.json")) << text;
    }
    EXPECT_EQ(readText(folder.path() / "broken.json.broken"), "{");
    EXPECT_EQ(readText(folder.path() / "broken.json.broken.1"), "[]");
    EXPECT_EQ(readText(folder.path() / "broken.json.broken.3"), "{\"recentTracks\":5}");
}

TEST(HistoryFile, TwoHostsKeepEachOthersRowsAndNeverWaitForTheLock) {
    ScratchFolder folder;
    auto path = folder.path() / "history.json";
    // Two sessions of one user, each knowing only its own tracks.
    for (const auto* title : {"a1", "b1", "a2"})
        ASSERT_TRUE(std::holds_alternative<HistoryRead>(saveHistory(path, {row(title)})));
    auto saved = saveHistory(path, {row("b2"), row("b3")});
    ASSERT_TRUE(std::holds_alternative<HistoryRead>(saved));
    std::vector<std::string> titles;
    for (const auto& r : readHistory(path).rows)
        titles.push_back(r.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"b3", "b2", "a2", "b1", "a1"}));
    EXPECT_EQ(std::get<HistoryRead>(saved).rows, readHistory(path).rows);

    auto lockPath = path;
    lockPath += ".lock";
    int held = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_TRUE(std::holds_alternative<HistoryBusy>(saveHistory(path, {row("c")})));
    ::close(held);
    EXPECT_EQ(readHistory(path).rows.front().title, "b3");
    ASSERT_TRUE(std::holds_alternative<HistoryRead>(saveHistory(path, {row("c")})));
    EXPECT_EQ(readHistory(path).rows.front().title, "c");
}

TEST(AtomicFile, RemovesOnlyItsOwnQuietLeftovers) {
    ScratchFolder folder;
    auto old = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2);
    struct Case {
        const char* name;
        bool old;
        bool removed;
    } cases[] = {
        {".widget_state.json.a1B2c3", true, true},   {".widget_cover.jpg.Zz9Yy8", true, true},
        {".widget_state.json.Q1w2E3", false, false},  // another host may be writing it
        {".widget_state.json.abc", true, false},     {".widget_state.json.abc-12", true, false},
        {"widget_state.json.a1B2c3", true, false},   {".history.json.a1B2c3", true, false},
        {".widget_state.json", true, false},         {"widget_state.json", true, false},
    };
    for (const auto& c : cases) {
        folder.write(c.name, "x");
        if (c.old)
            std::filesystem::last_write_time(folder.path() / c.name, old);
    }
    std::filesystem::create_directory(folder.path() / ".widget_cover.jpg.dir123");
    std::filesystem::last_write_time(folder.path() / ".widget_cover.jpg.dir123", old);
    EXPECT_EQ(removeLeftoverTemporaries(folder.path(), {"widget_state.json", "widget_cover.jpg"}),
              2);
    for (const auto& c : cases)
        EXPECT_NE(std::filesystem::exists(folder.path() / c.name), c.removed) << c.name;
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / ".widget_cover.jpg.dir123"));
}

TEST(HostFilesWriter, WritesWholeFilesAndRemovesOnlyItsOwnCover) {
    ScratchFolder home;
    auto folder = home.path() / "Library/Containers/x/Data/Documents";
    auto mark = home.path() / "state/cover-written";
    {
        HostFilesWriter writer(folder, mark);
        auto state = state::WidgetSharedState::default_();
        state.title = "Now";
        ASSERT_FALSE(writer.writeState(state));
        auto decoded = state::decodeWidgetSharedState(readText(writer.statePath()));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->title, "Now");
        ASSERT_FALSE(writer.writeCover({0xFF, 0xD8, 0xFF}));
        EXPECT_EQ(std::filesystem::file_size(writer.coverPath()), 3u);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2);
    }
    {
        // A restarted host still knows the cover as its own.
        HostFilesWriter writer(folder, mark);
        ASSERT_FALSE(writer.removeOwnCover());
        EXPECT_FALSE(std::filesystem::exists(writer.coverPath()));
        // A cover someone else put there stays.
        home.write("Library/Containers/x/Data/Documents/widget_cover.jpg", "theirs");
        ASSERT_FALSE(writer.removeOwnCover());
        EXPECT_TRUE(std::filesystem::exists(writer.coverPath()));
        ASSERT_FALSE(writer.writeCover({1, 2}));
        home.write("Library/Containers/x/Data/Documents/widget_cover.jpg", "replaced");
        ASSERT_FALSE(writer.removeOwnCover());
        EXPECT_EQ(readText(writer.coverPath()), "replaced");
    }
    {
        // The session's runtime folder: the host's folder inside it is private.
        std::filesystem::create_directory(home.path() / "run");
        HostFilesWriter writer(home.path() / "run/sonaris", std::nullopt, Flush::none);
        ASSERT_FALSE(writer.writeState(state::WidgetSharedState::default_()));
        struct stat info {};
        ASSERT_EQ(::stat((home.path() / "run/sonaris").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        EXPECT_TRUE(state::decodeWidgetSharedState(readText(writer.statePath())));
    }
}

}  // namespace
}  // namespace sonaris::host::daemon
