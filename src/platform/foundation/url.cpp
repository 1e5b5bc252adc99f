#include "platform/foundation/url.hpp"

#include <cctype>

namespace sonaris::platform::foundation {

namespace {

bool isSchemeCharacter(char c, bool first) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalpha(u)) return true;
    return !first && (std::isdigit(u) || c == '+' || c == '-' || c == '.');
}

}  // namespace

std::optional<URL> URL::string(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == 0 || colon == std::string_view::npos) return std::nullopt;
    for (std::size_t i = 0; i < colon; ++i)
        if (!isSchemeCharacter(text[i], i == 0)) return std::nullopt;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f) return std::nullopt;
    }
    return URL(std::string(text));
}

std::string_view URL::scheme() const { return std::string_view(text_).substr(0, text_.find(':')); }

}  // namespace sonaris::platform::foundation
