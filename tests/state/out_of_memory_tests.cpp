// Memory that runs out while the host's files are decoded ends in the same fallbacks as a file
// that cannot be read: the next location, then the default state, or the next cover source.
//
// This binary's global operator new is replaced so that a test can make every allocation of a
// megabyte or more fail, as it would in a process near its limit. Only the sized forms the
// program uses are replaced; each is paired with its delete, so the sanitizer builds see
// allocations and releases that match.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>

#include "platform/foundation/base64.hpp"
#include "state/host_files.hpp"
#include "state/widget_data_loader.hpp"

namespace {
std::atomic<bool> failLargeAllocations = false;
constexpr std::size_t kLarge = 1 << 20;

void* allocate(std::size_t size) {
    if (failLargeAllocations && size >= kLarge)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace sonaris::state {
namespace {

using platform::image::PixelSize;
using testing::makeJpeg;
using testing::ScratchHome;
using testing::stateDocumentWith;
using testing::writeFile;

class LargeAllocationsFail {
  public:
    LargeAllocationsFail() { failLargeAllocations = true; }
    ~LargeAllocationsFail() { failLargeAllocations = false; }
    LargeAllocationsFail(const LargeAllocationsFail&) = delete;
    LargeAllocationsFail& operator=(const LargeAllocationsFail&) = delete;
};

// A history of 9 000 short rows is a file under a megabyte whose record needs more than one.
std::string longHistoryState() {
    std::string rows = "[";
    for (int i = 0; i < 9000; ++i)
        rows += std::string(i ? "," : "") +
                R"({"title":"a","artist":"b","durationText":"c","path":"d"})";
    return stateDocumentWith("recentTracks", rows + "]");
}

TEST(OutOfMemoryTest, AStateThatCannotBeHeldFallsBackInOrder) {
    ScratchHome home;
    writeFile(home.containerState(), longHistoryState());
    writeFile(home.supportState(), stateDocumentWith("title", R"("Support")"));
    ASSERT_EQ(WidgetDataLoader::loadState().recentTracks.size(), 9000u);
    {
        const LargeAllocationsFail failing;
        EXPECT_EQ(WidgetDataLoader::loadState().title, "Support");
        writeFile(home.supportState(), longHistoryState());
        EXPECT_EQ(WidgetDataLoader::loadState().title, "Sonaris");
    }
}

TEST(OutOfMemoryTest, ACoverThatCannotBeHeldGivesWayToTheNextSource) {
    ScratchHome home;
    writeFile(home.supportCover(), makeJpeg(12, 34));
    const auto big = makeJpeg(1600, 1600);
    ASSERT_GT(big.size(), kLarge);
    const std::optional<SharedText> text =
        SharedText(platform::foundation::base64Encode(big.data(), big.size()));
    const LargeAllocationsFail failing;
    const auto image = WidgetDataLoader::loadArtworkImage(text);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->naturalSize(), (PixelSize{12, 34}));
}

}  // namespace
}  // namespace sonaris::state
