#pragma once

#include <concepts>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace sonaris::platform::foundation {

// A text that never changes once made, held by counted reference: copying it copies a pointer.
// An inline cover runs to megabytes and the state carrying it is copied into every view and
// layout, so those copies share one buffer; since nobody can change the text, sharing is
// invisible and the value behaves like a plain string to its users.
class SharedText {
  public:
    SharedText() = default;
    SharedText(std::string text) {  // NOLINT(google-explicit-constructor): a value, like a string
        auto owned = std::make_shared<const std::string>(std::move(text));
        view_ = *owned;
        owner_ = std::move(owned);
    }
    // Text that lies inside a buffer already in memory (a file being decoded), kept alive by
    // `owner` instead of copied out of it.
    SharedText(std::shared_ptr<const void> owner, std::string_view text)
        : owner_(std::move(owner)), view_(text) {}
    SharedText(std::string_view text) : SharedText(std::string(text)) {}  // NOLINT
    SharedText(const char* text) : SharedText(std::string(text)) {}       // NOLINT

    std::string_view view() const { return view_; }
    operator std::string_view() const { return view(); }  // NOLINT
    const char* data() const { return view().data(); }
    std::size_t size() const { return view().size(); }
    bool empty() const { return view().empty(); }
    const char* begin() const { return view().data(); }
    const char* end() const { return view().data() + view().size(); }

    friend bool operator==(const SharedText& a, const SharedText& b) {
        return a.view() == b.view();
    }
    // Any other text compares without first being made a SharedText of its own.
    template <class Text>
    requires(std::convertible_to<const Text&, std::string_view> &&
             !std::same_as<Text, SharedText>) friend bool
    operator==(const SharedText& a, const Text& b) {
        return a.view() == std::string_view(b);
    }

    friend std::ostream& operator<<(std::ostream& out, const SharedText& text) {
        return out << text.view();
    }

  private:
    std::shared_ptr<const void> owner_;
    std::string_view view_;
};

}  // namespace sonaris::platform::foundation
