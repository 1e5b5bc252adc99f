#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "state/host_files.hpp"
#include "state/state_json.hpp"
#include "state/state_limits.hpp"

namespace sonaris::state {
namespace {

using testing::stateDocument;
using testing::stateDocumentWith;
using testing::validStateDocument;
using testing::validStateMembers;

TEST(StateJsonDecoderTest, DecodesEveryFieldOfAValidFile) {
    const auto state = decodeWidgetSharedState(validStateDocument());
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->isPlaying);
    EXPECT_EQ(state->title, "Song");
    EXPECT_EQ(state->artist, "Band");
    EXPECT_EQ(state->album, "Record");
    EXPECT_EQ(state->duration, 200.0);
    EXPECT_EQ(state->currentTime, 50.0);
    EXPECT_EQ(state->mediaKind, "audio");
    EXPECT_FALSE(state->hasArtwork);
    EXPECT_FALSE(state->artworkBase64);
    ASSERT_EQ(state->recentTracks.size(), 2u);
    EXPECT_EQ(state->recentTracks[0], (WidgetTrackInfo{"One", "A", "3:00", "/m/1.mp3"}));
    EXPECT_EQ(state->recentTracks[1], (WidgetTrackInfo{"Two", "B", "REC", "screen"}));
    EXPECT_EQ(state->updatedAt.timeIntervalSinceReferenceDate, 757000000.5);
}

TEST(StateJsonDecoderTest, RejectsAnyRequiredKeyMissingOrNull) {
    for (const auto& member : validStateMembers()) {
        EXPECT_FALSE(decodeWidgetSharedState(stateDocumentWith(member.key, std::nullopt)))
            << member.key << " missing";
        EXPECT_FALSE(decodeWidgetSharedState(stateDocumentWith(member.key, "null")))
            << member.key << " null";
    }
}

TEST(StateJsonDecoderTest, AppliesTheTypeRulesToEachKey) {
    const struct {
        const char* key;
        const char* json;
        bool accepted;
    } cases[] = {
        {"isPlaying", "false", true},
        {"isPlaying", "1", false},
        {"isPlaying", "0", false},
        {"isPlaying", R"("true")", false},
        {"isPlaying", "True", false},
        {"hasArtwork", "true", true},
        {"hasArtwork", "1", false},
        {"duration", "180", true},
        {"duration", "-1.5e2", true},
        {"duration", "123456789012345678901234567890", true},
        {"duration", R"("180")", false},
        {"duration", "true", false},
        {"duration", "1e400", false},
        {"duration", "01", false},
        {"duration", "1.", false},
        {"duration", "NaN", false},
        {"duration", "Infinity", false},
        {"currentTime", "[50]", false},
        {"updatedAt", "0", true},
        {"updatedAt", "-31.25", true},
        {"updatedAt", R"("2024-03-30T12:00:00Z")", false},
        {"title", R"("")", true},
        {"title", "5", false},
        {"title", R"(["Song"])", false},
        {"title", R"({"text":"Song"})", false},
        {"mediaKind", "false", false},
        {"artworkBase64", R"("")", true},
        {"artworkBase64", "5", false},
        {"artworkBase64", "false", false},
        {"artworkBase64", "[]", false},
        {"recentTracks", "[]", true},
        {"recentTracks", "{}", false},
        {"recentTracks", "[null]", false},
        {"recentTracks", R"(["One"])", false},
        {"recentTracks", R"([{"title":"a","artist":"b","durationText":"c","path":"d","x":[1]}])",
         true},
        {"recentTracks",
         R"([{"title":"a","artist":"b","durationText":"c","path":"d"},)"
         R"({"title":"a","artist":"b","durationText":"c"}])",
         false},
        {"recentTracks", R"([{"title":"a","artist":"b","durationText":"c","path":null}])", false},
        {"recentTracks", R"([{"title":"a","artist":"b","durationText":3,"path":"d"}])", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeWidgetSharedState(stateDocumentWith(c.key, c.json)).has_value(), c.accepted)
            << c.key << ": " << c.json;
}

TEST(StateJsonDecoderTest, ReadsNumbersAsDoubles) {
    const struct {
        const char* key;
        const char* json;
        double expected;
    } cases[] = {
        {"duration", "180", 180.0},
        {"duration", "-1.5e2", -150.0},
        {"currentTime", "0.1", 0.1},
        {"currentTime", "-0", -0.0},
        {"updatedAt", "0", 0.0},
        {"updatedAt", "1E3", 1000.0},
        // Seconds meant from 1970 are still read from 2001.
        {"updatedAt", "1700000000", 1700000000.0},
    };
    for (const auto& c : cases) {
        const auto state = decodeWidgetSharedState(stateDocumentWith(c.key, c.json));
        ASSERT_TRUE(state) << c.json;
        const std::string key = c.key;
        const double value = key == "duration" ? state->duration
                             : key == "currentTime"
                                 ? state->currentTime
                                 : state->updatedAt.timeIntervalSinceReferenceDate;
        EXPECT_EQ(value, c.expected) << c.json;
        EXPECT_EQ(std::signbit(value), std::signbit(c.expected)) << c.json;
    }
}

TEST(StateJsonDecoderTest, TellsAbsentArtworkFromEmptyArtwork) {
    for (const auto& json : {std::optional<std::string>(), std::optional<std::string>("null")}) {
        const auto state = decodeWidgetSharedState(stateDocumentWith("artworkBase64", json));
        ASSERT_TRUE(state);
        EXPECT_FALSE(state->artworkBase64);
    }
    const auto empty = decodeWidgetSharedState(stateDocumentWith("artworkBase64", R"("")"));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->artworkBase64, "");
    const auto text = decodeWidgetSharedState(stateDocumentWith("artworkBase64", R"("Zm9v")"));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->artworkBase64, "Zm9v");
}

TEST(StateJsonDecoderTest, UnescapesStrings) {
    const struct {
        const char* json;
        std::string expected;
    } cases[] = {
        {R"("a\"b\\c\/d")", "a\"b\\c/d"}, {R"("line\nbreak\ttab")", "line\nbreak\ttab"},
        {R"("\u00e9t\u00E9")", "été"},    {R"("\ud83d\ude00")", "😀"},
        {R"("Готов")", "Готов"},          {R"("nul\u0000byte")", std::string("nul\0byte", 8)},
    };
    for (const auto& c : cases) {
        const auto state = decodeWidgetSharedState(stateDocumentWith("title", c.json));
        ASSERT_TRUE(state) << c.json;
        EXPECT_EQ(state->title, c.expected) << c.json;
    }
    // Keys are compared after unescaping too.
    const auto escapedKey = decodeWidgetSharedState(
        R"({"isPlaying":true,"ti\u0074le":"T","artist":"","album":"","duration":1,)"
        R"("currentTime":0,"mediaKind":"","hasArtwork":true,"recentTracks":[],"updatedAt":0})");
    ASSERT_TRUE(escapedKey);
    EXPECT_EQ(escapedKey->title, "T");
}

TEST(StateJsonDecoderTest, IgnoresUnknownKeysButValidatesTheirValues) {
    const struct {
        const char* json;
        bool accepted;
    } cases[] = {
        {R"({"a":[1,{"b":null}],"c":"\u00e9","d":-1.5e-3,"e":true})", true},
        {"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]", true},
        {"[1,}", false},
        {"[1 2]", false},
        {"{\"a\" 1}", false},
        {"{\"a\":1,}", false},
        {"{1:2}", false},
        {"01", false},
        {"nul", false},
        {"nulll", false},
        {"truex", false},
        {R"("bad \x escape")", false},
        {R"("lone \ud800 surrogate")", false},
        {R"("lone \udc00 low surrogate")", false},
        {R"("\ud800\u0041 not a pair")", false},
        {R"("\u12")", false},
        {R"("\uZZZZ")", false},
        {R"("\a")", false},
        {R"("ends in \")", false},
        {"\"raw\ttab\"", false},
        {"\"invalid \xff utf-8\"", false},
        {"[1,2", false},
        {"'single'", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeWidgetSharedState(stateDocumentWith("extra", c.json)).has_value(),
                  c.accepted)
            << c.json;
}

TEST(StateJsonDecoderTest, RejectsAnythingButOneObject) {
    const std::string valid = validStateDocument();
    const std::string cases[] = {
        "",
        "   \n ",
        "[]",
        "null",
        "\"text\"",
        "42",
        valid + " x",
        valid + "}",
        valid + "{}",
        valid + " " + valid,
        "[" + valid + "]",
        valid.substr(0, valid.size() - 1),
        "\xff\xfe" + valid,
        std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
    };
    for (const auto& json : cases)
        EXPECT_FALSE(decodeWidgetSharedState(json)) << json;

    EXPECT_TRUE(decodeWidgetSharedState("\n\t " + valid + " \r\n"));
    EXPECT_TRUE(decodeWidgetSharedState("\xEF\xBB\xBF" + valid));
}

TEST(StateJsonDecoderTest, RejectsEveryTruncation) {
    const std::string valid = validStateDocument();
    for (std::size_t length = 0; length < valid.size(); ++length)
        ASSERT_FALSE(decodeWidgetSharedState(valid.substr(0, length))) << length;
}

TEST(StateJsonDecoderTest, TurnsAwayDeepNestingWithoutExhaustingTheStack) {
    for (const char* open : {"[", "{\"a\":"}) {
        std::string deep;
        for (int i = 0; i < 200000; ++i)
            deep += open;
        EXPECT_FALSE(decodeWidgetSharedState(stateDocumentWith("extra", deep)));
        EXPECT_FALSE(decodeWidgetSharedState(deep));
    }
    std::string balanced(200000, '[');
    balanced.append(200000, ']');
    EXPECT_FALSE(decodeWidgetSharedState(stateDocumentWith("extra", balanced)));
}

TEST(StateJsonDecoderTest, TakesTheLastValueOfARepeatedKey) {
    auto members = validStateMembers();
    members.push_back({"title", R"("Second")"});
    const auto state = decodeWidgetSharedState(stateDocument(members));
    ASSERT_TRUE(state);
    EXPECT_EQ(state->title, "Second");
}

TEST(StateJsonDecoderTest, DecodesInPlaceWithPadding) {
    const std::string json = validStateDocument();
    std::string buffer = json + std::string(stateJsonPadding, '\0');
    const auto state =
        decodeWidgetSharedState(std::string_view(buffer.data(), json.size()), buffer.size());
    ASSERT_TRUE(state);
    EXPECT_EQ(state->title, "Song");
    // Too little room: the decoder copies rather than read past the buffer.
    EXPECT_TRUE(decodeWidgetSharedState(json, json.size()));
}

// A history longer than any host keeps would decode to many times its file size; it rejects the
// file as a whole, while one row fewer decodes.
TEST(StateJsonDecoderTest, RejectsAHistoryLongerThanTheLimit) {
    const auto history = [](std::size_t rows) {
        std::string json = "[";
        for (std::size_t i = 0; i < rows; ++i)
            json += std::string(i ? "," : "") +
                    R"({"title":"","artist":"","durationText":"","path":""})";
        return json + "]";
    };
    const auto atLimit =
        decodeWidgetSharedState(stateDocumentWith("recentTracks", history(kMaxRecentTracks)));
    ASSERT_TRUE(atLimit);
    EXPECT_EQ(atLimit->recentTracks.size(), kMaxRecentTracks);
    EXPECT_FALSE(
        decodeWidgetSharedState(stateDocumentWith("recentTracks", history(kMaxRecentTracks + 1))));
}

}  // namespace
}  // namespace sonaris::state
