#include <gtest/gtest.h>
#include <sys/stat.h>

#include "art_fixtures.hpp"
#include "host/art/local_art.hpp"
#include "platform/foundation/base64.hpp"
#include "platform/foundation/scratch_directory.hpp"

namespace sonaris::host::art {
namespace {

using testing::asText;

TEST(FileArt, ReadsOnlySmallRegularFilesWithoutBlocking) {
    sonaris::testing::ScratchDirectory scratch;
    const auto cover = scratch.write("My Music/cover #1 100%.jpg", "JPEGBYTES");
    scratch.write("big.jpg", std::string(1025, 'x'));
    scratch.write("exact.jpg", std::string(1024, 'x'));
    scratch.write("empty.jpg", "");
    const auto fifo = scratch.path() / "pipe.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string root = "file://" + scratch.path().string();

    struct Case {
        std::string url;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {root + "/My%20Music/cover%20%231%20100%25.jpg", "JPEGBYTES"},
        {"FILE://localhost" + scratch.path().string() + "/My%20Music/cover%20%231%20100%25.jpg",
         "JPEGBYTES"},
        {"file://" + cover.string(), "JPEGBYTES"},  // written unencoded, as some players do
        {root + "/big.jpg", std::nullopt},          // over the cap
        {root + "/missing.jpg", std::nullopt},
        {root + "/pipe.jpg", std::nullopt},
        {root, std::nullopt},  // a directory
        {"file:///dev/zero", std::nullopt},
        {"file:///dev/null", std::nullopt},
        {"file://otherhost" + cover.string(), std::nullopt},
        {root + "/My%20Music/cover%00.jpg", std::nullopt},
        {"file:relative/cover.jpg", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto bytes = readFileUrl(c.url, 1024);
        EXPECT_EQ(bytes ? std::optional(asText(*bytes)) : std::nullopt, c.expected) << c.url;
    }
}

TEST(DataUri, DecodesBase64AndPercentFormsWithinTheCap) {
    const std::string payload =
        "\xFF\xD8\xFF"
        "cover+/=?";
    const auto base64 = platform::foundation::base64Encode(
        reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size());
    std::string unpadded = base64;
    while (unpadded.ends_with('=')) {
        unpadded.pop_back();
    }
    ASSERT_NE(base64.find('/'), std::string::npos);
    std::string escapedSlashes;
    for (const char c : base64) {
        escapedSlashes += c == '/' ? std::string("%2F") : std::string(1, c);
    }
    struct Case {
        std::string uri;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"data:image/jpeg;base64," + base64, payload},
        {"DATA:;BASE64," + base64, payload},
        {"data:image/jpeg;base64," + unpadded, payload},
        {"data:image/jpeg;base64," + base64.substr(0, 4) + "\r\n " + base64.substr(4), payload},
        {"data:image/jpeg;base64," + escapedSlashes, payload},
        {"data:image/jpeg,%FF%D8%FFcover+/=?", payload},
        {"data:,plain", "plain"},
        {"data:text/plain;charset=utf-8,a%20b", "a b"},
        {"data:image/jpeg;base64,@@@@", std::nullopt},
        {"data:image/jpeg;base64,A", std::nullopt},
        {"data:image/jpeg;base64", std::nullopt},  // no comma
        {"data:,a%00b", std::string("a\0b", 3)},
        {"data:," + std::string(65, 'x'), std::nullopt},  // over the cap of 64
        {"data:;base64," + std::string(88, 'A'), std::nullopt},
        {"data:;base64," + std::string(84, 'A') + "\n\n\n\n\n\n", std::string(63, '\0')},
        {"data:," + std::string(64, 'x'), std::string(64, 'x')},
        {"data:," + std::string(63, 'x') + "%78", std::string(64, 'x')},
        {"datum:,x", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto bytes = decodeDataUri(c.uri, 64);
        EXPECT_EQ(bytes ? std::optional(asText(*bytes)) : std::nullopt, c.expected) << c.uri;
    }
}

}  // namespace
}  // namespace sonaris::host::art
