#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sonaris::platform::foundation {

// An absolute URL. Made only from text that parses as one (scheme ":" rest, no spaces or
// control characters), so a URL value is always valid.
class URL {
public:
    static std::optional<URL> string(std::string_view text);

    const std::string& absoluteString() const { return text_; }
    std::string_view scheme() const;
    bool operator==(const URL&) const = default;

private:
    explicit URL(std::string text) : text_(std::move(text)) {}
    std::string text_;
};

}  // namespace sonaris::platform::foundation
