#include "host/links/notification.hpp"

#include <chrono>
#include <cstdint>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include <sdbus-c++/sdbus-c++.h>
#include <utf8proc.h>

namespace sonaris::host::links {
namespace {

// Long enough for a server started by bus activation on a loaded machine, short enough that a
// click on the widget never waits noticeably on a desktop without one.
constexpr std::chrono::milliseconds kCallTimeout{800};

// D-Bus refuses a message whose strings are not UTF-8, and a body may quote a command line in
// any encoding; bad bytes become U+FFFD rather than losing the whole notification.
std::string validUtf8(std::string_view text) {
    std::string valid;
    valid.reserve(text.size());
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    auto left = static_cast<utf8proc_ssize_t>(text.size());
    while (left > 0) {
        utf8proc_int32_t codepoint = 0;
        const auto length = utf8proc_iterate(bytes, left, &codepoint);
        if (length <= 0 || codepoint == 0) {
            valid += "\xEF\xBF\xBD";
            ++bytes;
            --left;
            continue;
        }
        valid.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
        bytes += length;
        left -= length;
    }
    return valid;
}

}  // namespace

bool notifyUser(std::string_view summary, std::string_view body) {
    try {
        auto connection = sdbus::createSessionBusConnection();
        auto proxy = sdbus::createProxy(*connection, "org.freedesktop.Notifications",
                                        "/org/freedesktop/Notifications");
        std::uint32_t id = 0;
        proxy->callMethod("Notify")
            .onInterface("org.freedesktop.Notifications")
            .withTimeout(kCallTimeout)
            .withArguments(std::string("Sonaris"), std::uint32_t{0}, std::string(),
                           validUtf8(summary), validUtf8(body), std::vector<std::string>{},
                           std::map<std::string, sdbus::Variant>{}, std::int32_t{-1})
            .storeResultsTo(id);
        return true;
    } catch (const std::exception&) {
        // No bus, no server, or one that did not answer in time: the caller's stderr line is all
        // the user gets, which is what a headless session expects.
        return false;
    }
}

}  // namespace sonaris::host::links
