#include <gtest/gtest.h>

#include "host/players/player_properties.hpp"
#include "host/players/player_watcher.hpp"

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

}  // namespace
}  // namespace sonaris::host::players
