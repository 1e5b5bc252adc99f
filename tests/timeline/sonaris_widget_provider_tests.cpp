#include "timeline/sonaris_widget_provider.hpp"

#include <sys/inotify.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <limits>

#include "platform/foundation/base64.hpp"
#include "state/host_files.hpp"
#include "state/state_json.hpp"

namespace sonaris::timeline {
namespace {

using platform::foundation::Date;
using platform::image::PixelSize;
using platform::runtime::Timeline;
using platform::runtime::TimelineProviderContext;
using platform::runtime::TimelineReloadPolicy;
using platform::ui::WidgetFamily;
using testing::makeJpeg;
using testing::ScratchHome;
using testing::stateDocumentWith;
using testing::writeFile;

std::string stateTitled(const std::string& title) {
    return stateDocumentWith("title", "\"" + title + "\"");
}

SonarisEntry snapshot(const SonarisWidgetProvider& provider,
                      const TimelineProviderContext& context = {}) {
    std::optional<SonarisEntry> result;
    provider.getSnapshot(context, [&](SonarisEntry entry) { result = std::move(entry); });
    return std::move(result).value();
}

Timeline<SonarisEntry> timeline(const SonarisWidgetProvider& provider,
                                const TimelineProviderContext& context = {}) {
    std::optional<Timeline<SonarisEntry>> result;
    provider.getTimeline(context, [&](Timeline<SonarisEntry> t) { result = std::move(t); });
    return std::move(result).value();
}

std::optional<PixelSize> artworkSize(const SonarisEntry& entry) {
    if (!entry.artwork)
        return std::nullopt;
    return entry.artwork->naturalSize();
}

// Counts the files opened in a set of folders while it lives.
class OpenWatch {
  public:
    explicit OpenWatch(const std::vector<std::filesystem::path>& folders)
        : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        for (const auto& folder : folders)
            inotify_add_watch(fd_, folder.c_str(), IN_OPEN);
    }
    ~OpenWatch() { close(fd_); }
    int opens() const {
        alignas(inotify_event) char buffer[4096];
        int count = 0;
        for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;) {
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<inotify_event*>(p);
                count += (event->mask & IN_OPEN) != 0;
                p += sizeof(inotify_event) + event->len;
            }
        }
        return count;
    }

  private:
    int fd_;
};

TEST(SonarisWidgetProviderTest, PlaceholderShowsTheDefaultWithoutTouchingAnyFile) {
    ScratchHome home;
    writeFile(home.containerState(), stateTitled("Host"));
    writeFile(home.containerCover(), makeJpeg(8, 8));
    writeFile(home.supportState(), stateTitled("Host"));
    writeFile(home.supportCover(), makeJpeg(8, 8));
    const OpenWatch watch({home.containerFolder(), home.supportFolder()});

    const SonarisWidgetProvider provider;
    const double before = Date::now().timeIntervalSinceReferenceDate;
    const auto entry = provider.placeholder({});
    EXPECT_EQ(watch.opens(), 0);
    EXPECT_EQ(entry.state.title, "Sonaris");
    EXPECT_EQ(entry.state.recentTracks.size(), 3u);
    EXPECT_FALSE(entry.artwork);
    EXPECT_GE(entry.date.timeIntervalSinceReferenceDate, before);

    // The watch does see the reads of a real request.
    snapshot(provider);
    EXPECT_GT(watch.opens(), 0);
}

TEST(SonarisWidgetProviderTest, CallsEachCompletionOnceBeforeReturning) {
    ScratchHome home;
    const SonarisWidgetProvider provider;
    int snapshots = 0;
    provider.getSnapshot({}, [&](SonarisEntry) { ++snapshots; });
    EXPECT_EQ(snapshots, 1);
    int timelines = 0;
    provider.getTimeline({}, [&](Timeline<SonarisEntry>) { ++timelines; });
    EXPECT_EQ(timelines, 1);
}

TEST(SonarisWidgetProviderTest, TimelineHoldsOneEntryForNowAndReloadsFifteenMinutesLater) {
    ScratchHome home;
    writeFile(home.supportState(), stateTitled("Now"));
    const double before = Date::now().timeIntervalSinceReferenceDate;
    const auto result = timeline(SonarisWidgetProvider());
    const double after = Date::now().timeIntervalSinceReferenceDate;

    ASSERT_EQ(result.entries.size(), 1u);
    const auto& entry = result.entries.front();
    EXPECT_EQ(entry.state.title, "Now");
    EXPECT_GE(entry.date.timeIntervalSinceReferenceDate, before);
    EXPECT_LE(entry.date.timeIntervalSinceReferenceDate, after);
    ASSERT_EQ(result.policy.kind, TimelineReloadPolicy::Kind::after);
    ASSERT_TRUE(result.policy.date);
    // Based on a clock reading taken after the entry's date.
    EXPECT_GE(result.policy.date->timeIntervalSinceReferenceDate,
              entry.date.timeIntervalSinceReferenceDate + 900);
    EXPECT_LE(result.policy.date->timeIntervalSinceReferenceDate, after + 900);
}

TEST(SonarisWidgetProviderTest, SnapshotAndTimelineReadTheSameFilesAlikeForEveryFamily) {
    ScratchHome home;
    writeFile(home.supportState(), stateTitled("Shared"));
    writeFile(home.supportCover(), makeJpeg(30, 20));
    const SonarisWidgetProvider provider;
    const auto reference = snapshot(provider);
    ASSERT_EQ(reference.state.title, "Shared");
    ASSERT_EQ(artworkSize(reference), (PixelSize{30, 20}));
    for (const auto family :
         {WidgetFamily::systemSmall, WidgetFamily::systemMedium, WidgetFamily::systemLarge}) {
        for (const bool preview : {false, true}) {
            const TimelineProviderContext context{family, {}, preview};
            for (const auto& entry :
                 {snapshot(provider, context), timeline(provider, context).entries.at(0)}) {
                EXPECT_EQ(state::encodeJson(entry.state), state::encodeJson(reference.state));
                EXPECT_EQ(artworkSize(entry), artworkSize(reference));
            }
        }
    }
}

TEST(SonarisWidgetProviderTest, WithoutAStateFileShowsTheDefaultWithTheCoverFile) {
    ScratchHome home;
    writeFile(home.containerState(), "{ broken");
    writeFile(home.supportCover(), makeJpeg(5, 7));
    const auto entry = snapshot(SonarisWidgetProvider());
    EXPECT_EQ(entry.state.title, "Sonaris");
    EXPECT_EQ(artworkSize(entry), (PixelSize{5, 7}));
}

TEST(SonarisWidgetProviderTest, InlineCoverWinsOverCoverFilesWhateverHasArtworkSays) {
    ScratchHome home;
    const auto picture = makeJpeg(9, 4);
    writeFile(
        home.containerState(),
        stateDocumentWith(
            "artworkBase64",
            "\"" + platform::foundation::base64Encode(picture.data(), picture.size()) + "\""));
    writeFile(home.containerCover(), makeJpeg(3, 3));
    const auto entry = snapshot(SonarisWidgetProvider());
    EXPECT_FALSE(entry.state.hasArtwork);
    EXPECT_EQ(artworkSize(entry), (PixelSize{9, 4}));
}

TEST(SonarisEntryTest, WritesItsStateAndTheCoverSizeAsJsonMembers) {
    auto state = state::WidgetSharedState::default_();
    const SonarisEntry without{Date{1}, state, std::nullopt};
    EXPECT_EQ(entryJsonMembers(without),
              "\"state\": " + *state::encodeJson(state) + ", \"artwork\": null");

    const SonarisEntry with{Date{1}, state, platform::image::Image::fromBytes(makeJpeg(12, 5))};
    ASSERT_TRUE(with.artwork);
    EXPECT_EQ(entryJsonMembers(with), "\"state\": " + *state::encodeJson(state) +
                                          ", \"artwork\": {\"width\": 12, \"height\": 5}");

    state.duration = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(entryJsonMembers(SonarisEntry{Date{1}, state, std::nullopt}),
              "\"state\": null, \"artwork\": null");
}

}  // namespace
}  // namespace sonaris::timeline
