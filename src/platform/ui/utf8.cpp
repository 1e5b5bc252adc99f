#include "platform/ui/utf8.hpp"

#include <glib.h>

namespace sonaris::platform::ui {

std::string repairedUtf8(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    const char* cursor = text.data();
    const char* end = text.data() + text.size();
    while (cursor < end) {
        const char* validEnd = nullptr;
        g_utf8_validate(cursor, end - cursor, &validEnd);
        result.append(cursor, validEnd);
        if (validEnd == end)
            break;
        result.append("\xEF\xBF\xBD");
        cursor = validEnd + 1;
        // The continuation bytes of a broken sequence belong to the one replacement.
        while (cursor < end && (static_cast<unsigned char>(*cursor) & 0xC0) == 0x80)
            ++cursor;
    }
    return result;
}

bool isCleanUtf8(std::string_view text) {
    return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
}

}  // namespace sonaris::platform::ui
