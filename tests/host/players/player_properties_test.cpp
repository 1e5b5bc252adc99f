#include <gtest/gtest.h>

#include "host/players/player_properties.hpp"
#include "host/players/player_watcher.hpp"
#include "host/players/property_reader.hpp"

// The library makes a message without a bus with this; 1.x exports it without declaring it.
namespace sdbus {
PlainMessage createPlainMessage();
}  // namespace sdbus

namespace sonaris::host::players {
namespace {

using sdbus::Variant;

TEST(PlayerProperties, ReadsMetadataOfEveryShapePlayersSend) {
    PropertyMap metadata{
        {"xesam:title", Variant(std::string("Song"))},
        {"xesam:artist", Variant(std::vector<std::string>{"A", "", "B"})},
        {"xesam:album", Variant(std::string("Album"))},
        {"xesam:url", Variant(std::string("file:///m/a.mp3"))},
        {"mpris:artUrl", Variant(std::string("file:///m/cover.jpg"))},
        {"mpris:trackid", Variant(sdbus::ObjectPath("/org/mpv/Track/1"))},
        {"mpris:length", Variant(std::uint64_t{187'000'000})},
    };
    auto track = parseMetadata(metadata);
    EXPECT_EQ(track.title, "Song");
    EXPECT_EQ(track.artist, "A, B");
    EXPECT_EQ(track.album, "Album");
    EXPECT_EQ(track.trackId, "/org/mpv/Track/1");
    EXPECT_EQ(track.lengthMicroseconds, 187'000'000);

    // Wrong types read as nothing, a plain-string artist and other integer widths are accepted.
    PropertyMap odd{
        {"xesam:title", Variant(std::int32_t{7})},
        {"xesam:artist", Variant(std::string("Solo"))},
        {"xesam:album", Variant(true)},
        {"mpris:length", Variant(std::string("187"))},
    };
    track = parseMetadata(odd);
    EXPECT_EQ(track.title, "");
    EXPECT_EQ(track.artist, "Solo");
    EXPECT_EQ(track.album, "");
    EXPECT_FALSE(track.lengthMicroseconds);
    for (auto length : {Variant(std::int32_t{5}), Variant(std::uint32_t{5}), Variant(5.0)})
        EXPECT_EQ(parseMetadata({{"mpris:length", length}}).lengthMicroseconds, 5);
    EXPECT_FALSE(parseMetadata({{"mpris:length", Variant(-5.0)}}).lengthMicroseconds);
}

TEST(PlayerProperties, CutsHostileTextsAtACharacterBoundary) {
    std::string huge(3 << 20, 'x');
    huge[1023] = '\xD0';  // the first byte of a two-byte character that would be split
    huge[1024] = '\xB6';
    auto track = parseMetadata({{"xesam:title", Variant(huge)}});
    EXPECT_EQ(track.title.size(), 1023u);
    std::vector<std::string> many(100000, "artist");
    EXPECT_LE(parseMetadata({{"xesam:artist", Variant(many)}}).artist.size(), 1024u);
}

TEST(PlayerProperties, AppliesChangesAndIgnoresWrongTypes) {
    PlayerProperties properties;
    auto change = applyProperties(properties, {{"PlaybackStatus", Variant(std::string("Playing"))},
                                               {"Rate", Variant(2.0)},
                                               {"CanGoNext", Variant(false)}});
    EXPECT_TRUE(change.status);
    EXPECT_EQ(properties.status, PlaybackStatus::playing);
    EXPECT_EQ(properties.rate, 2.0);
    EXPECT_FALSE(properties.canGoNext);

    change = applyProperties(properties, {{"PlaybackStatus", Variant(std::int32_t{1})},
                                          {"Rate", Variant(std::string("fast"))},
                                          {"Metadata", Variant(std::string("not a map"))},
                                          {"CanGoNext", Variant(std::string("yes"))}});
    EXPECT_FALSE(change.any());
    EXPECT_EQ(properties.status, PlaybackStatus::playing);
    EXPECT_FALSE(properties.canGoNext);
    // Metadata counts as changed even when equal: players reuse paths for new art.
    EXPECT_TRUE(applyProperties(properties, {{"Metadata", Variant(PropertyMap{})}}).metadata);
}

TEST(PlayerProperties, PositionMovesWithTheRateWhilePlayingOnly) {
    WatchedPlayer player;
    player.properties.positionMicroseconds = 10'000'000;
    player.properties.metadata.lengthMicroseconds = 12'000'000;
    player.positionReadAt = SteadyClock::time_point(std::chrono::seconds(100));
    auto at = [&](double seconds) {
        return player.positionAt(player.positionReadAt +
                                 std::chrono::duration_cast<SteadyClock::duration>(
                                     std::chrono::duration<double>(seconds)));
    };
    EXPECT_EQ(at(1), 10'000'000);  // paused
    player.properties.status = PlaybackStatus::playing;
    player.properties.rate = 1.5;
    EXPECT_EQ(at(1), 11'500'000);
    EXPECT_EQ(at(10), 12'000'000);  // never past the end
    player.properties.positionMicroseconds = -4;
    EXPECT_EQ(at(0), 0);
}

TEST(PlayerProperties, TellsANewTrackFromTagsFilledIn) {
    auto track = [](std::string id, std::string title, std::string artist, std::string url = "") {
        TrackMetadata t;
        t.trackId = std::move(id);
        t.title = std::move(title);
        t.artist = std::move(artist);
        t.url = std::move(url);
        return t;
    };
    const std::string none = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
    struct Case {
        const char* what;
        TrackMetadata before, after;
        bool same;
    } cases[] = {
        {"a URL appears with a new id", track("/1", "a.mp3", ""), track("/2", "Song", "X", "f"),
         false},
        {"the same URL, new tags", track("", "a.mp3", "", "f"), track("", "Song", "X", "f"), true},
        {"another URL", track("", "Song", "", "f"), track("", "Song", "", "g"), false},
        {"the URL gone", track("", "", "X", "f"), track("", "Song", "", ""), false},
        {"another id", track("/1", "Song", ""), track("/2", "Song", ""), false},
        {"one id, another title", track("/1", "One", "X"), track("/1", "Two", "X"), false},
        {"one id, another artist", track("/1", "One", "X"), track("/1", "One", "Y"), false},
        {"no id, another title", track("", "One", ""), track("", "Two", ""), false},
        {"NoTrack, another title", track(none, "One", ""), track(none, "Two", ""), false},
        {"a title filled in", track("/1", "", ""), track("/1", "One", "X"), true},
        {"an artist filled in", track("/1", "One", ""), track("/1", "One", "X"), true},
        {"from nothing to a track", track("", "", ""), track("", "One", ""), false},
        {"from a track to nothing", track("/1", "One", ""), track(none, "", ""), false},
        {"nothing twice", track(none, "", ""), track("", "", ""), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isSameTrack(c.before, c.after), c.same) << c.what;
}

TEST(PlayerProperties, WithoutAPositionPlaybackCountsThePlayingTimeSeen) {
    using std::chrono::seconds;
    auto metadata = [](const char* title, std::optional<std::int64_t> length = std::nullopt) {
        PropertyMap map{{"mpris:trackid", Variant(std::string("/same"))},
                        {"xesam:title", Variant(std::string(title))}};
        if (length)
            map.emplace("mpris:length", Variant(*length));
        return Variant(map);
    };
    const SteadyClock::time_point t0(seconds(1000));
    WatchedPlayer player;
    player.positionReadAt = t0;  // first seen
    player.apply({{"PlaybackStatus", Variant(std::string("Playing"))},
                  {"Metadata", metadata("One", 600'000'000)}},
                 t0);
    player.known = true;
    EXPECT_EQ(player.positionAt(t0 + seconds(5)), 5'000'000);
    player.apply({{"PlaybackStatus", Variant(std::string("Paused"))}}, t0 + seconds(5));
    EXPECT_EQ(player.positionAt(t0 + seconds(50)), 5'000'000);  // paused time does not count
    player.apply({{"PlaybackStatus", Variant(std::string("Playing"))},
                  {"Position", Variant(std::string("soon"))}},
                 t0 + seconds(50));
    EXPECT_EQ(player.positionAt(t0 + seconds(52)), 7'000'000);
    EXPECT_TRUE(player.apply({{"Metadata", metadata("Two")}}, t0 + seconds(60)).newTrack);
    EXPECT_EQ(player.positionAt(t0 + seconds(63)), 3'000'000);
    // Tags sent again are the same track: the count goes on.
    EXPECT_FALSE(player.apply({{"Metadata", metadata("Two")}}, t0 + seconds(63)).newTrack);
    EXPECT_EQ(player.positionAt(t0 + seconds(64)), 4'000'000);
}

// A message as a player would send it, read back the way the watcher reads it.
TEST(PropertyReader, CopiesNoMoreOfAHostileValueThanIsKept) {
    auto message = sdbus::createPlainMessage();
    std::string hugeArt = "data:image/png;base64," + std::string(3 << 20, 'A');
    PropertyMap metadata{
        {"mpris:artUrl", Variant(hugeArt)},
        {"xesam:title", Variant(std::string("Song"))},
        {"xesam:artist", Variant(std::vector<std::string>(5000, "A"))},
        {"mpris:length", Variant(std::int64_t{5})},
        {"xesam:blob", Variant(std::vector<std::uint8_t>(1u << 16, 7))},
        {"xesam:deep", Variant(PropertyMap{{"x", Variant(PropertyMap{})}})},  // too deep
    };
    message << PropertyMap{{"Metadata", Variant(metadata)},
                           {"Rate", Variant(1.5)},
                           {"Odd", Variant(sdbus::Struct<int, std::string>{1, "x"})}};
    message.seal();
    auto read = readPropertyMap(message);
    ASSERT_TRUE(read.contains("Metadata"));
    EXPECT_EQ(read.at("Rate").get<double>(), 1.5);
    EXPECT_FALSE(read.contains("Odd"));
    auto map = read.at("Metadata").get<PropertyMap>();
    EXPECT_EQ(map.at("mpris:artUrl").get<std::string>().size(), maxArtUrlBytes + 1);
    EXPECT_EQ(map.at("xesam:artist").get<std::vector<std::string>>().size(), 512u);
    EXPECT_FALSE(map.contains("xesam:blob"));
    EXPECT_FALSE(map.contains("xesam:deep"));
    auto track = parseMetadata(map);
    EXPECT_EQ(track.artUrl, "");  // refused whole rather than cut into another URL
    EXPECT_EQ(track.title, "Song");
    EXPECT_EQ(track.lengthMicroseconds, 5);
}

}  // namespace
}  // namespace sonaris::host::players
