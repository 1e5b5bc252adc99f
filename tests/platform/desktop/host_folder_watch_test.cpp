#include "platform/desktop/host_folder_watch.hpp"

#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>

#include "platform/runtime/scratch_folder.hpp"

namespace sonaris::platform::desktop {
namespace {

using std::filesystem::path;

// Waits (a bounded time) for events and reports whether any of them counted.
bool changedWithin(HostFolderWatch& watch, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    bool changed = false;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd fd{watch.fd(), POLLIN, 0};
        if (::poll(&fd, 1, 20) > 0)
            changed = watch.readEvents() || changed;
        else if (changed)
            return true;
    }
    return changed;
}

TEST(HostFolderWatch, FollowsAFolderThatAppearsAndDisappears) {
    testing::ScratchFolder home;
    path target = home.path() / "Library" / "Application Support" / "Sonaris";
    auto watch = HostFolderWatch::create({target});
    ASSERT_TRUE(watch);
    EXPECT_EQ(watch->watchedFolders(), std::vector<path>{home.path()});

    // Unrelated files beside the missing path do not count.
    home.write("notes.txt", "x");
    EXPECT_FALSE(changedWithin(*watch, std::chrono::milliseconds(100)));

    std::filesystem::create_directories(target);
    EXPECT_TRUE(changedWithin(*watch, std::chrono::milliseconds(500)));
    EXPECT_EQ(watch->watchedFolders(), std::vector<path>{target});

    std::filesystem::remove_all(home.path() / "Library");
    EXPECT_TRUE(changedWithin(*watch, std::chrono::milliseconds(500)));
    EXPECT_EQ(watch->watchedFolders(), std::vector<path>{home.path()});
}

TEST(HostFolderWatch, SeesWritesInPlaceAndThroughRename) {
    testing::ScratchFolder home;
    path target = home.path() / "state";
    std::filesystem::create_directories(target);
    auto watch = HostFolderWatch::create({target / ""});
    ASSERT_TRUE(watch);

    home.write("state/widget_state.json", "{}");
    EXPECT_TRUE(changedWithin(*watch, std::chrono::milliseconds(500)));

    home.write("elsewhere/widget_state.json", "{\"title\": 1}");
    EXPECT_FALSE(changedWithin(*watch, std::chrono::milliseconds(100)));
    std::filesystem::rename(home.path() / "elsewhere" / "widget_state.json",
                            target / "widget_state.json");
    EXPECT_TRUE(changedWithin(*watch, std::chrono::milliseconds(500)));

    std::filesystem::remove(target / "widget_state.json");
    EXPECT_TRUE(changedWithin(*watch, std::chrono::milliseconds(500)));
}

TEST(HostFolderWatch, WatchesSeveralFoldersSharingAnAncestor) {
    testing::ScratchFolder home;
    path first = home.path() / "Library" / "Containers" / "kind" / "Data" / "Documents";
    path second = home.path() / "Library" / "Application Support" / "Sonaris";
    std::filesystem::create_directories(home.path() / "Library");
    auto watch = HostFolderWatch::create({first, second});
    ASSERT_TRUE(watch);
    EXPECT_EQ(watch->watchedFolders(), std::vector<path>{home.path() / "Library"});

    // Created in one go, as `mkdir -p` does, then written at once.
    std::filesystem::create_directories(first);
    home.write("Library/Containers/kind/Data/Documents/widget_state.json", "{}");
    EXPECT_TRUE(changedWithin(*watch, std::chrono::milliseconds(500)));
    EXPECT_EQ(watch->watchedFolders(), (std::vector<path>{home.path() / "Library", first}));
}

}  // namespace
}  // namespace sonaris::platform::desktop
