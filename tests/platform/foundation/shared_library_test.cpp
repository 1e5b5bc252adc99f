#include "platform/foundation/shared_library.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace sonaris::platform::foundation {
namespace {

TEST(SharedLibrary, ResolvesWhatTheLibraryHasAndSaysWhyItCannotOpen) {
    auto missing = SharedLibrary::open("libsonaris-none.so.0");
    ASSERT_TRUE(std::holds_alternative<std::string>(missing));
    EXPECT_NE(std::get<std::string>(missing).find("libsonaris-none.so.0"), std::string::npos);

    auto opened = SharedLibrary::open("libc.so.6");
    ASSERT_TRUE(std::holds_alternative<SharedLibrary>(opened));
    const auto& libc = std::get<SharedLibrary>(opened);
    decltype(&std::strlen) length = nullptr;
    ASSERT_TRUE(libc.resolve("strlen", length));
    EXPECT_EQ(length("four"), 4u);
    EXPECT_FALSE(libc.resolve("sonaris_no_such_function", length));
    EXPECT_EQ(length, nullptr);
}

}  // namespace
}  // namespace sonaris::platform::foundation
