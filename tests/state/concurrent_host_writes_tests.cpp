// The host rewrites its files whenever it likes, also while the widget is reading them. These
// tests run a writer against several readers for a bounded time and check what each read saw.

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/base64.hpp"
#include "state/host_files.hpp"
#include "state/state_json.hpp"
#include "state/widget_data_loader.hpp"

namespace sonaris::state {
namespace {

using namespace std::chrono_literals;
using testing::makeJpeg;
using testing::ScratchHome;
using testing::writeFile;

constexpr auto kPhaseLength = 600ms;
constexpr int kReaders = 4;

// Every field, so that a state pieced together from two files cannot pass for either.
bool sameState(const WidgetSharedState& a, const WidgetSharedState& b) {
    return a.isPlaying == b.isPlaying && a.title == b.title && a.artist == b.artist &&
           a.album == b.album && a.duration == b.duration && a.currentTime == b.currentTime &&
           a.mediaKind == b.mediaKind && a.hasArtwork == b.hasArtwork &&
           a.artworkBase64 == b.artworkBase64 && a.recentTracks == b.recentTracks &&
           a.updatedAt == b.updatedAt;
}

bool isDefault(const WidgetSharedState& state) {
    const auto fallback = WidgetSharedState::default_();
    return state.title == fallback.title && state.recentTracks == fallback.recentTracks &&
           !state.artworkBase64;
}

// Two states that differ in every part a torn read could mix, the second one large enough that
// writing it takes many system calls.
//
// The old text lists its keys in the opposite order and starts a little further in, so that no
// splice of the two at one offset (a read that straddles a rewrite) is itself a state file.
struct TwoStates {
    std::string oldText;
    std::string newText;
    WidgetSharedState oldState, newState;

    TwoStates() {
        auto reversed = testing::validStateMembers();
        std::reverse(reversed.begin(), reversed.end());
        for (auto& member : reversed)
            if (member.key == "title")
                member.json = R"("Old")";
        oldText = "\n\n\n" + testing::stateDocument(reversed);

        const auto cover = makeJpeg(160, 160, 7);
        auto members = testing::validStateMembers();
        for (auto& member : members) {
            if (member.key == "title")
                member.json = R"("New")";
            if (member.key == "duration")
                member.json = "321.5";
            if (member.key == "recentTracks")
                member.json = R"([{"title":"Only","artist":"C","durationText":"1:00","path":"x"}])";
        }
        members.push_back(
            {"artworkBase64",
             "\"" + platform::foundation::base64Encode(cover.data(), cover.size()) + "\""});
        newText = testing::stateDocument(members);
        oldState = decodeWidgetSharedState(oldText).value();
        newState = decodeWidgetSharedState(newText).value();
    }
};

struct Tally {
    std::atomic<int> oldSeen = 0, newSeen = 0, defaultSeen = 0, otherSeen = 0;
};

// Runs `write` over and over for kPhaseLength while kReaders threads load the state and sort
// each result into the tally.
void race(const TwoStates& states, const std::function<void(bool)>& write, Tally& tally) {
    std::atomic<bool> done = false;
    std::vector<std::thread> readers;
    for (int i = 0; i < kReaders; ++i) {
        readers.emplace_back([&] {
            while (!done) {
                const auto state = WidgetDataLoader::loadState();
                if (sameState(state, states.oldState))
                    ++tally.oldSeen;
                else if (sameState(state, states.newState))
                    ++tally.newSeen;
                else if (isDefault(state))
                    ++tally.defaultSeen;
                else
                    ++tally.otherSeen;
            }
        });
    }
    const auto deadline = std::chrono::steady_clock::now() + kPhaseLength;
    for (bool useNew = true; std::chrono::steady_clock::now() < deadline; useNew = !useNew)
        write(useNew);
    done = true;
    for (auto& reader : readers)
        reader.join();
    // Kept in the test report: how often each outcome came up shows the race really ran.
    ::testing::Test::RecordProperty("old", tally.oldSeen.load());
    ::testing::Test::RecordProperty("new", tally.newSeen.load());
    ::testing::Test::RecordProperty("default", tally.defaultSeen.load());
}

// Writes through `fd` in pieces, yielding between them so that readers catch the file half
// written.
void writeInPieces(int fd, const std::string& text) {
    constexpr std::size_t kPiece = 4096;
    for (std::size_t at = 0; at < text.size(); at += kPiece) {
        const auto piece = std::min(kPiece, text.size() - at);
        ASSERT_EQ(::write(fd, text.data() + at, piece), static_cast<ssize_t>(piece));
        std::this_thread::yield();
    }
}

TEST(ConcurrentHostWritesTest, ReplacingTheFileByRenameIsSeenWholeOldOrWholeNew) {
    ScratchHome home;
    const TwoStates states;
    const auto target = home.containerState();
    const auto temporary = home.containerFolder() / ".widget_state.json.tmp";
    writeFile(target, states.oldText);

    Tally tally;
    race(
        states,
        [&](bool useNew) {
            writeFile(temporary, useNew ? states.newText : states.oldText);
            std::filesystem::rename(temporary, target);
        },
        tally);

    EXPECT_GT(tally.oldSeen + tally.newSeen, 0);
    EXPECT_EQ(tally.defaultSeen, 0);
    EXPECT_EQ(tally.otherSeen, 0);
}

TEST(ConcurrentHostWritesTest, RewritingTheFileInPlaceGivesAWholeStateOrTheDefault) {
    ScratchHome home;
    const TwoStates states;
    const auto target = home.containerState();
    writeFile(target, states.oldText);

    // A prefix of a JSON object never closes it, so a half-written file can only be refused:
    // every read is one of the two states or the fallback, never a blend.
    Tally tally;
    race(
        states,
        [&](bool useNew) {
            const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            writeInPieces(fd, useNew ? states.newText : states.oldText);
            ::close(fd);
        },
        tally);

    EXPECT_GT(tally.oldSeen + tally.newSeen + tally.defaultSeen, 0);
    EXPECT_EQ(tally.otherSeen, 0);
}

TEST(ConcurrentHostWritesTest, ACoverRewrittenInPlaceGivesAPictureOrNone) {
    ScratchHome home;
    const auto small = makeJpeg(32, 32, 1);
    const auto large = makeJpeg(300, 200, 2);
    writeFile(home.containerCover(), small);

    std::atomic<bool> done = false;
    std::atomic<int> wrongSize = 0, unreadable = 0;
    std::vector<std::thread> readers;
    for (int i = 0; i < kReaders; ++i) {
        readers.emplace_back([&] {
            while (!done) {
                const auto image = WidgetDataLoader::loadArtworkImage(std::nullopt);
                if (!image)
                    continue;
                const auto size = image->naturalSize();
                if (size != platform::image::PixelSize{32, 32} &&
                    size != platform::image::PixelSize{300, 200})
                    ++wrongSize;
                // A picture cut short decodes grey where the data ran out, or not at all; it
                // must never bring down the widget.
                unreadable += image->decoded({64, 64}) == nullptr;
            }
        });
    }
    const auto deadline = std::chrono::steady_clock::now() + kPhaseLength;
    for (bool useLarge = true; std::chrono::steady_clock::now() < deadline; useLarge = !useLarge) {
        const int fd = ::open(home.containerCover().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        const auto& bytes = useLarge ? large : small;
        writeInPieces(fd, std::string(bytes.begin(), bytes.end()));
        ::close(fd);
    }
    done = true;
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(wrongSize, 0);
    RecordProperty("unreadable", unreadable.load());
}

}  // namespace
}  // namespace sonaris::state
