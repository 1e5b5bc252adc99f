#include <gtest/gtest.h>

#include <fstream>

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

TEST(TrackHistory, SurvivesARestartAndIgnoresABrokenFile) {
    ScratchFolder folder;
    auto path = folder.path() / "state/sonaris/history.json";
    std::vector<WidgetTrackInfo> rows{row("один"), {"q\"uote", "", "", ""}};
    ASSERT_FALSE(saveHistory(path, rows));
    EXPECT_EQ(loadHistory(path), rows);
    for (auto broken : {"{", "{\"recentTracks\":[{\"title\":1}]}", "[]", ""}) {
        folder.write("broken.json", broken);
        EXPECT_FALSE(loadHistory(folder.path() / "broken.json")) << broken;
        EXPECT_EQ(readText(folder.path() / "broken.json"), broken);  // left alone
    }
    EXPECT_FALSE(loadHistory(folder.path() / "missing.json"));
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
}

}  // namespace
}  // namespace sonaris::host::daemon
