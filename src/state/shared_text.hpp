#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace sonaris::state {

// A text that never changes once made, held by counted reference: copying it copies a pointer.
// An inline cover runs to megabytes and the state carrying it is copied into every view and
// layout, so those copies share one buffer; since nobody can change the text, sharing is
// invisible and the value behaves like a plain string to its users.
class SharedText {
  public:
    SharedText() = default;
    SharedText(std::string text)  // NOLINT(google-explicit-constructor): a value, like std::string
        : text_(std::make_shared<const std::string>(std::move(text))) {}
    SharedText(std::string_view text) : SharedText(std::string(text)) {}  // NOLINT
    SharedText(const char* text) : SharedText(std::string(text)) {}       // NOLINT

    std::string_view view() const { return text_ ? std::string_view(*text_) : std::string_view(); }
    operator std::string_view() const { return view(); }  // NOLINT
    const char* data() const { return view().data(); }
    std::size_t size() const { return view().size(); }
    bool empty() const { return view().empty(); }

    friend bool operator==(const SharedText& a, std::string_view b) { return a.view() == b; }

  private:
    std::shared_ptr<const std::string> text_;
};

}  // namespace sonaris::state
