#include "platform/runtime/program.hpp"

#include <cstdio>

namespace sonaris::platform::runtime {

std::string printable(std::string_view text) {
    // Control characters are shown escaped, so that what a user typed (or a file held) cannot
    // move the terminal's cursor, ring it or start a new line in a one-line message.
    std::string result;
    result.reserve(text.size());
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f || c == '\\') {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            result += escaped;
        } else {
            result += static_cast<char>(c);
        }
    }
    return result;
}

std::string quoted(std::string_view text) {
    // Appended piece by piece: GCC 12 at -O3 takes "'" + std::string for overlapping copies.
    std::string result;
    result += '\'';
    result += printable(text);
    result += '\'';
    return result;
}

void reportError(std::ostream& err, std::string_view message) {
    err << "sonaris-widget: " << message << '\n';
    err.flush();
}

int finishOutput(Streams streams) {
    streams.out.flush();
    if (!streams.out) {
        reportError(streams.err, "cannot write to standard output");
        return exitOutputFailed;
    }
    return exitSuccess;
}

}  // namespace sonaris::platform::runtime
