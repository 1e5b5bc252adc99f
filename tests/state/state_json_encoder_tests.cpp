#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>

#include "state/host_files.hpp"
#include "state/state_json.hpp"

namespace sonaris::state {
namespace {

WidgetSharedState sampleState() {
    return WidgetSharedState{
        .isPlaying = true,
        .title = "Song",
        .artist = "Band",
        .album = "Record",
        .duration = 180,
        .currentTime = 0.1,
        .mediaKind = "audio",
        .hasArtwork = true,
        .artworkBase64 = "Zm9v",
        .recentTracks = {{"One", "A", "3:00", "/m/1.mp3"}},
        .updatedAt = {-1e21},
    };
}

TEST(StateJsonEncoderTest, WritesKeysInFieldOrderWithShortestNumbers) {
    EXPECT_EQ(encodeJson(sampleState()),
              R"({"isPlaying":true,"title":"Song","artist":"Band","album":"Record",)"
              R"("duration":180,"currentTime":0.1,"mediaKind":"audio","hasArtwork":true,)"
              R"("artworkBase64":"Zm9v","recentTracks":[{"title":"One","artist":"A",)"
              R"("durationText":"3:00","path":"/m/1.mp3"}],"updatedAt":-1e+21})");
    EXPECT_EQ(encodeJson(WidgetTrackInfo{"a", "b", "c", "d"}),
              R"({"title":"a","artist":"b","durationText":"c","path":"d"})");
}

TEST(StateJsonEncoderTest, WritesNoArtworkKeyWhenAbsent) {
    auto state = sampleState();
    state.artworkBase64.reset();
    const auto json = encodeJson(state);
    ASSERT_TRUE(json);
    EXPECT_EQ(json->find("artworkBase64"), std::string::npos);
    state.artworkBase64 = "";
    EXPECT_NE(encodeJson(state)->find(R"("artworkBase64":"")"), std::string::npos);
}

TEST(StateJsonEncoderTest, RoundTripsThroughTheDecoder) {
    auto state = sampleState();
    state.title = "quote\" backslash\\ controls\n\t\x01\x1f é 😀";
    state.duration = 1.0 / 3.0;
    state.currentTime = -0.0;
    state.updatedAt = {5e-324};
    for (const auto& original : {state, WidgetSharedState::default_()}) {
        const auto json = encodeJson(original);
        ASSERT_TRUE(json);
        const auto decoded = decodeWidgetSharedState(*json);
        ASSERT_TRUE(decoded) << *json;
        EXPECT_EQ(decoded->title, original.title);
        EXPECT_EQ(decoded->artist, original.artist);
        EXPECT_EQ(decoded->duration, original.duration);
        EXPECT_EQ(std::signbit(decoded->currentTime), std::signbit(original.currentTime));
        EXPECT_EQ(decoded->updatedAt, original.updatedAt);
        EXPECT_EQ(decoded->artworkBase64, original.artworkBase64);
        EXPECT_EQ(decoded->recentTracks, original.recentTracks);
        EXPECT_EQ(encodeJson(*decoded), json);
    }
}

TEST(StateJsonEncoderTest, ReplacesBytesThatAreNotUtf8) {
    auto state = sampleState();
    state.title =
        "a\xff"
        "b\xc3"
        "\xed\xa0\x80"
        "c";
    const auto json = encodeJson(state);
    ASSERT_TRUE(json);
    const auto decoded = decodeWidgetSharedState(*json);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->title, "a\uFFFDb\uFFFD\uFFFD\uFFFD\uFFFDc");
}

TEST(StateJsonEncoderTest, StreamedFormEqualsTheString) {
    auto escaped = sampleState();
    escaped.title = "quote\" \\ \n\x01 \xff é";
    escaped.recentTracks.push_back({"\t", "\xc3", "", "/a\"b"});
    auto large = sampleState();
    large.artworkBase64 = std::string(3 << 20, 'A');
    auto bare = WidgetSharedState::default_();
    bare.artworkBase64.reset();
    for (const auto& state : {sampleState(), escaped, large, bare}) {
        std::ostringstream stream;
        ASSERT_TRUE(writeJson(stream, state));
        EXPECT_EQ(stream.str(), encodeJson(state));
    }
}

TEST(StateJsonEncoderTest, FailsOnNumbersWithoutAJsonForm) {
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
    for (const double value : bad) {
        for (int field = 0; field < 3; ++field) {
            auto state = sampleState();
            (field == 0   ? state.duration
             : field == 1 ? state.currentTime
                          : state.updatedAt.timeIntervalSinceReferenceDate) = value;
            EXPECT_FALSE(encodeJson(state)) << field;
            std::string out = "prefix";
            EXPECT_FALSE(appendJson(out, state));
            EXPECT_EQ(out, "prefix");
            std::ostringstream stream;
            EXPECT_FALSE(writeJson(stream, state));
            EXPECT_EQ(stream.str(), "") << field;
        }
    }
}

}  // namespace
}  // namespace sonaris::state
