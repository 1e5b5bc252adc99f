#include "platform/foundation/base64.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace sonaris::platform::foundation {
namespace {

std::string asText(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

TEST(Base64Test, DecodesTheStandardVectors) {
    const std::pair<std::string_view, std::string_view> vectors[] = {
        {"", ""},
        {"Zg==", "f"},
        {"Zm8=", "fo"},
        {"Zm9v", "foo"},
        {"Zm9vYg==", "foob"},
        {"Zm9vYmE=", "fooba"},
        {"Zm9vYmFy", "foobar"},
        {"+/+/", "\xfb\xff\xbf"},
    };
    for (const auto& [text, expected] : vectors) {
        const auto bytes = base64Decode(text);
        ASSERT_TRUE(bytes) << text;
        EXPECT_EQ(asText(*bytes), expected) << text;
        EXPECT_EQ(base64Encode(bytes->data(), bytes->size()), text);
    }
}

TEST(Base64Test, RejectsEverythingOutsideTheAlphabetAndItsPadding) {
    const std::string_view invalid[] = {
        "Zm9v\nYmFy",      // a line break, as MIME writers insert
        "Zm9v YmFy",       // a space
        "Zm9vYmFy\n",      // a trailing newline
        " Zm9vYmFy",       // a leading space
        "Zm9vYg",          // unpadded: not a multiple of four
        "Zm9vYmE",         // unpadded
        "Z",               // a lone character
        "Zm9vYg=",         // short padding
        "Zg===",           // too much padding
        "====",            // padding only
        "Z===",            // three padding characters
        "Zm=v",            // padding inside the last group
        "Zg==Zg==",        // padding in the middle
        "Zm9v-_8=",        // the URL-safe alphabet
        "Zm9v\xc3\xa9mF",  // non-ASCII
        "Zm9v%mFy",
    };
    for (const auto text : invalid)
        EXPECT_FALSE(base64Decode(text)) << text;
    EXPECT_FALSE(base64Decode(std::string_view("Zm9v\0mFy", 8)));
}

TEST(Base64Test, AFaultAnywhereInALongTextRejectsIt) {
    std::vector<std::uint8_t> bytes(3000, 0x5a);
    const std::string good = base64Encode(bytes.data(), bytes.size());
    for (std::size_t at : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{3},
                           std::size_t{1234}, good.size() - 5, good.size() - 1}) {
        std::string bad = good;
        bad[at] = '*';
        EXPECT_FALSE(base64Decode(bad)) << at;
    }
}

TEST(Base64Test, RoundTripsEveryLengthAndByteValue) {
    std::mt19937 random(7);
    for (std::size_t size = 0; size < 300; ++size) {
        std::vector<std::uint8_t> bytes(size);
        for (auto& byte : bytes)
            byte = static_cast<std::uint8_t>(random());
        const auto decoded = base64Decode(base64Encode(bytes.data(), bytes.size()));
        ASSERT_TRUE(decoded) << size;
        EXPECT_EQ(*decoded, bytes) << size;
    }
}

TEST(Base64Test, IgnoresLeftOverBitsInTheLastCharacter) {
    // "Zh==" carries the same byte as "Zg==" plus four unused set bits.
    const auto bytes = base64Decode("Zh==");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(asText(*bytes), "f");
}

}  // namespace
}  // namespace sonaris::platform::foundation
