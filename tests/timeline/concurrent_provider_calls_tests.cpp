// The runtime may ask for placeholders, snapshots and timelines from several threads at once.
// Each call reads its own copy of the host's files, so every answer must be whole and correct
// however the calls interleave.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/base64.hpp"
#include "state/host_files.hpp"
#include "timeline/sonaris_widget_provider.hpp"

namespace sonaris::timeline {
namespace {

using namespace std::chrono_literals;
using platform::image::PixelSize;
using platform::runtime::Timeline;
using platform::runtime::TimelineProviderContext;
using platform::runtime::TimelineReloadPolicy;
using platform::ui::WidgetFamily;
using testing::makeJpeg;
using testing::ScratchHome;
using testing::stateDocumentWith;
using testing::writeFile;

constexpr auto kRunLength = 500ms;
constexpr int kThreads = 6;

struct Expected {
    std::string title;
    PixelSize cover;
};

// What each kind of request must answer with these files, or a reason it did not.
std::optional<std::string> checkEntry(const SonarisEntry& entry, const Expected& expected) {
    if (entry.state.title != expected.title)
        return "title " + std::string(entry.state.title.view());
    if (!entry.artwork || entry.artwork->naturalSize() != expected.cover)
        return "cover missing or of the wrong size";
    const auto pixels = entry.artwork->decoded({40, 40});
    if (!pixels || pixels->size.width < 40)
        return "cover did not decode";
    return std::nullopt;
}

std::optional<std::string> oneRequest(const SonarisWidgetProvider& provider, int kind,
                                      const Expected& fromFiles) {
    const auto family = static_cast<WidgetFamily>(kind % 3);
    const TimelineProviderContext context{family, {}, false};
    switch (kind % 3) {
        case 0: {
            const auto entry = provider.placeholder(context);
            if (entry.state.title != "Sonaris" || entry.artwork)
                return "placeholder is not the default";
            return std::nullopt;
        }
        case 1: {
            std::optional<SonarisEntry> entry;
            int calls = 0;
            provider.getSnapshot(context, [&](SonarisEntry e) {
                ++calls;
                entry = std::move(e);
            });
            if (calls != 1)
                return "snapshot completion ran " + std::to_string(calls) + " times";
            return checkEntry(*entry, fromFiles);
        }
        default: {
            std::optional<Timeline<SonarisEntry>> timeline;
            int calls = 0;
            provider.getTimeline(context, [&](Timeline<SonarisEntry> t) {
                ++calls;
                timeline = std::move(t);
            });
            if (calls != 1)
                return "timeline completion ran " + std::to_string(calls) + " times";
            if (timeline->entries.size() != 1 ||
                timeline->policy.kind != TimelineReloadPolicy::Kind::after ||
                !timeline->policy.date || *timeline->policy.date <= timeline->entries[0].date)
                return "timeline is not one entry with a later reload date";
            return checkEntry(timeline->entries[0], fromFiles);
        }
    }
}

void runConcurrently(const Expected& fromFiles) {
    const SonarisWidgetProvider provider;
    std::atomic<bool> go = false;
    std::atomic<int> requests = 0;
    std::vector<std::string> failures(kThreads);
    std::vector<std::thread> threads;
    const auto deadline = std::chrono::steady_clock::now() + kRunLength;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go)
                std::this_thread::yield();
            for (int round = 0; std::chrono::steady_clock::now() < deadline; ++round) {
                if (auto failure = oneRequest(provider, t + round, fromFiles)) {
                    failures[t] = *failure;
                    return;
                }
                ++requests;
            }
        });
    }
    go = true;
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[t], "") << "thread " << t;
    EXPECT_GT(requests, 0);
}

TEST(ConcurrentProviderCallsTest, EveryCallAnswersWholeWithACoverFile) {
    ScratchHome home;
    writeFile(home.containerState(), stateDocumentWith("title", R"("Concurrent")"));
    writeFile(home.supportCover(), makeJpeg(120, 80));
    runConcurrently({"Concurrent", {120, 80}});
}

TEST(ConcurrentProviderCallsTest, EveryCallAnswersWholeWithAnInlineCover) {
    ScratchHome home;
    const auto cover = makeJpeg(90, 90, 3);
    const auto inline64 = platform::foundation::base64Encode(cover.data(), cover.size());
    writeFile(home.supportState(), stateDocumentWith("title", R"("Inline")")
                                       .insert(1, "\"artworkBase64\": \"" + inline64 + "\", "));
    // A cover file that the inline text must win over.
    writeFile(home.containerCover(), makeJpeg(50, 50));
    runConcurrently({"Inline", {90, 90}});
}

}  // namespace
}  // namespace sonaris::timeline
