#include <gtest/gtest.h>

#include <cmath>

#include "host/daemon/command_line.hpp"
#include "host/daemon/status_json.hpp"
#include "host/daemon/track_text.hpp"

namespace sonaris::host::daemon {
namespace {

TEST(TrackText, FormatsDurationsAndNamesFromUrls) {
    struct Case {
        double seconds;
        const char* text;
    } durations[] = {{0, "0:00"},         {59.9, "0:59"}, {187, "3:07"}, {3723, "1:02:03"},
                     {36000, "10:00:00"}, {-1, ""},       {NAN, ""},     {INFINITY, ""}};
    for (const auto& c : durations)
        EXPECT_EQ(durationText(c.seconds), c.text) << c.seconds;

    struct Url {
        const char* url;
        const char* name;
        const char* kind;
    } urls[] = {
        {"file:///music/My%20Song.flac", "My Song.flac", "audio"},
        {"file:///films/Clip.MKV", "Clip.MKV", "video"},
        {"https://example.com/v/clip.mp4?token=1#t=3", "clip.mp4", "video"},
        {"https://example.com", "", "audio"},
        {"file:///music/dir/", "dir", "audio"},
        {"file:///bad%2", "bad%2", "audio"},
        {"", "", "audio"},
    };
    for (const auto& c : urls) {
        EXPECT_EQ(fileNameOfUrl(c.url), c.name) << c.url;
        EXPECT_EQ(mediaKindOf(c.url), c.kind) << c.url;
    }
}

TEST(TrackText, DropsControlCharactersButKeepsMarksAndEmoji) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"\x1b[31mRed\x1b[0m\a", "[31mRed[0m"},
        {"Line\none\ttwo\r", "Line one two "},
        {"C1\xc2\x85next\xc2\x9b", "C1next"},
        {"\xe2\x80\x8fRTL\xe2\x80\x8e \xf0\x9f\x8e\xb5 \xc2\xa0\xc3\xa9",
         "\xe2\x80\x8fRTL\xe2\x80\x8e \xf0\x9f\x8e\xb5 \xc2\xa0\xc3\xa9"},
        {"nul\x7f", "nul"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(withoutControlCharacters(c.in), c.out) << c.in;
    EXPECT_EQ(withoutControlCharacters(std::string("a\0b", 3)), "ab");
}

TEST(HostCommandLine, ParsesTheContract) {
    auto run = std::get<RunCommand>(
        parseCommandLine({"run", "--player", "mpv", "--player=vlc", "--ignore-player", "firefox",
                          "--progress-interval", "2.5"}));
    EXPECT_EQ(run.rules.preferred, (std::vector<std::string>{"mpv", "vlc"}));
    EXPECT_EQ(run.rules.ignored, (std::vector<std::string>{"firefox"}));
    EXPECT_EQ(run.progressInterval.count(), 2500);
    EXPECT_TRUE(std::holds_alternative<RunCommand>(parseCommandLine({})));
    EXPECT_TRUE(std::holds_alternative<RunCommand>(parseCommandLine({"--player", "mpv"})));
    EXPECT_EQ(std::get<OpenCommand>(parseCommandLine({"open", "sonaris://next"})).url,
              "sonaris://next");
    EXPECT_TRUE(std::holds_alternative<StatusCommand>(parseCommandLine({"status"})));
    for (auto bad : std::vector<std::vector<std::string>>{{"open"},
                                                          {"open", "a", "b"},
                                                          {"status", "x"},
                                                          {"dance"},
                                                          {"run", "--player"},
                                                          {"run", "--player="},
                                                          {"run", "--frobnicate"},
                                                          {"--progress-interval", "0"},
                                                          {"--progress-interval", "5s"},
                                                          {"--progress-interval", "nan"}})
        EXPECT_TRUE(std::holds_alternative<UsageError>(parseCommandLine(bad))) << bad[0];
}

TEST(StatusJson, EscapesWhatPlayersSend) {
    std::string json =
        statusJson({{"mpv", players::PlaybackStatus::playing, "a\"b\\\n\x01", "\xFF"}}, "mpv");
    EXPECT_EQ(json,
              "{\"players\":[{\"name\":\"mpv\",\"status\":\"Playing\",\"title\":"
              "\"a\\\"b\\\\\\u000a\\u0001\",\"artist\":\"\xEF\xBF\xBD\"}],\"chosen\":\"mpv\"}");
    EXPECT_EQ(statusJson({}, std::nullopt), "{\"players\":[],\"chosen\":null}");
}

}  // namespace
}  // namespace sonaris::host::daemon
