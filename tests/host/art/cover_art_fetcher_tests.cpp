#include "host/art/cover_art_fetcher.hpp"

#include <gtest/gtest.h>

#include <poll.h>

#include <thread>

#include "art_fixtures.hpp"
#include "platform/foundation/base64.hpp"
#include "platform/foundation/scratch_directory.hpp"

namespace sonaris::host::art {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;

std::string dataUri(const Bytes& bytes) {
    return "data:image/jpeg;base64," +
           platform::foundation::base64Encode(bytes.data(), bytes.size());
}

std::string escapedDataUri(const Bytes& bytes) {
    std::string uri = "data:image/jpeg,";
    for (const auto byte : bytes) {
        uri += "%" + std::string(1, "0123456789ABCDEF"[byte >> 4]) + "0123456789ABCDEF"[byte & 15];
    }
    return uri;
}

// Polls `condition` for up to a minute.
template <class Condition>
bool eventually(Condition condition) {
    for (auto end = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(10ms)) {
        if (condition()) {
            return true;
        }
    }
    return false;
}

class CoverArtFetcherTest : public ::testing::Test {
  protected:
    std::unique_ptr<CoverArtFetcher> start(std::chrono::milliseconds transferTimeout = 20s) {
        auto fetcher = CoverArtFetcher::start({.maxSourceBytes = 4u << 20,
                                               .transferTimeout = transferTimeout,
                                               .connectTimeout = 5s,
                                               .maxSide = 640});
        EXPECT_TRUE(fetcher);
        return fetcher;
    }

    sonaris::testing::ScratchDirectory scratch;
    Bytes image = testing::makeJpeg(1200, 800, {10, 200, 30});
    std::string imageFile = scratch.write("cover.jpg", testing::asText(image)).string();
    testing::LoopbackServer server{image, "file://" + imageFile};
};

TEST_F(CoverArtFetcherTest, AnswersEachSourceThroughTheReadyDescriptor) {
    auto fetcher = start(2s);
    struct Case {
        std::string url;
        bool hasArt;
    };
    const Case cases[] = {
        {"file://" + imageFile, true},
        {dataUri(image), true},
        {escapedDataUri(image), true},
        {"data:image/jpeg;base64,AAAA", false},
        {server.url("/good.jpg"), true},
        {server.url("/hop"), true},
        {server.url("/missing"), false},
        {server.url("/declared"), false},
        {server.url("/flood"), false},
        {server.url("/endless"), false},  // gives up at the 2 s transfer timeout
        {server.url("/to-file"), false},  // a server may not send the host to local files
        {server.url("/good.jpg?" + std::string(100000, 'a')), false},
        {"ftp://127.0.0.1/cover.jpg", false},
        {"", false},
    };
    std::uint64_t ticket = 0;
    for (const auto& c : cases) {
        fetcher->request(++ticket, c.url);
        const auto results = testing::awaitResults(*fetcher);
        ASSERT_EQ(results.size(), 1u) << c.url;
        EXPECT_EQ(results[0].ticket, ticket) << c.url;
        EXPECT_EQ(results[0].jpeg.has_value(), c.hasArt) << c.url;
        if (results[0].jpeg) {
            EXPECT_EQ(testing::sizeOf(*results[0].jpeg), (platform::image::PixelSize{640, 427}));
            EXPECT_EQ(results[0].sourcePixels, 1200 * 800);
        }
    }
    EXPECT_EQ(server.hits("/to-file"), 1);
    pollfd ready{fetcher->readyFd(), POLLIN, 0};
    EXPECT_EQ(::poll(&ready, 1, 0), 0);  // drained
    EXPECT_TRUE(fetcher->takeResults().empty());
}

TEST_F(CoverArtFetcherTest, CachesHttpButRereadsFiles) {
    auto fetcher = start();
    const auto fetch = [&](const std::string& url) {
        fetcher->request(1, url);
        auto results = testing::awaitResults(*fetcher);
        return results.size() == 1 && results[0].jpeg ? *results[0].jpeg : Bytes{};
    };
    const auto first = fetch(server.url("/good.jpg"));
    EXPECT_EQ(fetch(server.url("/good.jpg")), first);
    EXPECT_EQ(server.hits("/good.jpg"), 1);

    const auto green = testing::centreOf(fetch("file://" + imageFile));
    scratch.write("cover.jpg", testing::asText(testing::makeJpeg(300, 300, {20, 20, 220})));
    const auto blue = testing::centreOf(fetch("file://" + imageFile));
    EXPECT_GT(green.g, 150);
    EXPECT_GT(blue.b, 150);
}

TEST_F(CoverArtFetcherTest, ReadsFilesBeyondTheWidgetsOwnLimitUpToItsCap) {
    // A photograph's worth of bytes: a picture followed by what a camera leaves after it.
    auto large = image;
    large.resize(large.size() + (7u << 20), 0);
    const auto path = scratch.write("photo.jpg", testing::asText(large)).string();
    auto fetcher = CoverArtFetcher::start();
    ASSERT_TRUE(fetcher);
    fetcher->request(1, "file://" + path);
    auto results = testing::awaitResults(*fetcher);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].jpeg);
    auto capped = start();  // 4 MiB
    capped->request(1, "file://" + path);
    results = testing::awaitResults(*capped);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_FALSE(results[0].jpeg);
}

TEST_F(CoverArtFetcherTest, NewerRequestCutsAnEndlessTransferShort) {
    // The transfer timeout is far beyond the test's deadlines, so only superseding can end it.
    auto fetcher = start(10min);
    fetcher->request(1, server.url("/endless"));
    ASSERT_TRUE(eventually([&] { return server.openConnections() == 1; }));
    const auto picture = dataUri(image);
    fetcher->request(2, "file:///dev/zero");
    fetcher->request(3, picture);

    // The worker may finish request 2 before request 3 comes; request 1 is never answered.
    std::vector<CoverArtResult> results;
    while (results.empty() || results.back().ticket != 3) {
        auto more = testing::awaitResults(*fetcher);
        if (more.empty()) {
            break;
        }
        results.insert(results.end(), more.begin(), more.end());
    }
    ASSERT_FALSE(results.empty());
    EXPECT_EQ(results.back().ticket, 3u);
    EXPECT_TRUE(results.back().jpeg);
    EXPECT_LE(results.size(), 2u);
    EXPECT_EQ(results.front().ticket, results.size() == 1 ? 3u : 2u);
    EXPECT_TRUE(eventually([&] { return server.openConnections() == 0; }));
}

TEST_F(CoverArtFetcherTest, StopsPromptlyDuringATransfer) {
    auto fetcher = start(10min);
    fetcher->request(1, server.url("/endless"));
    ASSERT_TRUE(eventually([&] { return server.openConnections() == 1; }));
    fetcher.reset();  // must not wait for the server
    EXPECT_TRUE(eventually([&] { return server.openConnections() == 0; }));
}

TEST_F(CoverArtFetcherTest, WithoutLibcurlOnlyHttpArtIsLostAndTheUserIsToldOnce) {
    auto fetcher = CoverArtFetcher::start({.httpLibrary = "libsonaris-no-such-curl.so.4"});
    ASSERT_TRUE(fetcher);
    const std::string urls[] = {server.url("/good.jpg"), dataUri(image), server.url("/hop"),
                                "file://" + imageFile};
    std::uint64_t ticket = 0;
    for (const auto& url : urls) {
        fetcher->request(++ticket, url);
        const auto results = testing::awaitResults(*fetcher);
        ASSERT_EQ(results.size(), 1u) << url;
        EXPECT_EQ(results[0].jpeg.has_value(), !url.starts_with("http")) << url;
    }
    const auto notices = fetcher->takeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("libsonaris-no-such-curl.so.4"), std::string::npos) << notices[0];
    EXPECT_EQ(notices[0].find('\n'), std::string::npos);
    EXPECT_EQ(server.hits("/good.jpg"), 0);
    pollfd ready{fetcher->readyFd(), POLLIN, 0};
    EXPECT_EQ(::poll(&ready, 1, 0), 0);  // drained
}

}  // namespace
}  // namespace sonaris::host::art
