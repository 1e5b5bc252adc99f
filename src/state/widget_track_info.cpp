#include "state/widget_track_info.hpp"

#include <utf8proc.h>

#include <cstdlib>
#include <memory>
#include <string_view>

namespace sonaris::state {

namespace {

bool isAscii(std::string_view text) {
    unsigned char any = 0;
    for (const char c : text)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

// A text in Normalization Form C, the form in which canonically equivalent texts are equal
// bytes. ASCII is already in that form. Bytes that are not UTF-8 have no equivalents and stand
// for themselves; they cannot come from a state file, whose decoder checks its text.
class CanonicalText {
  public:
    explicit CanonicalText(std::string_view text) : view_(text) {
        if (isAscii(text) || text.empty())
            return;
        utf8proc_uint8_t* normalized = nullptr;
        const auto length =
            utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                         static_cast<utf8proc_ssize_t>(text.size()), &normalized,
                         static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
        if (length < 0)
            return;
        owned_.reset(normalized);
        view_ = std::string_view(reinterpret_cast<const char*>(normalized),
                                 static_cast<std::size_t>(length));
    }
    std::string_view view() const { return view_; }

  private:
    struct Free {
        void operator()(utf8proc_uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<utf8proc_uint8_t, Free> owned_;
    std::string_view view_;
};

bool canonicallyEqual(std::string_view a, std::string_view b) {
    // Nearly every row is ASCII on both sides, where equivalence is plain byte equality.
    if (isAscii(a) && isAscii(b))
        return a == b;
    return CanonicalText(a).view() == CanonicalText(b).view();
}

}  // namespace

bool WidgetTrackInfo::operator==(const WidgetTrackInfo& other) const {
    return canonicallyEqual(title, other.title) && canonicallyEqual(artist, other.artist) &&
           canonicallyEqual(durationText, other.durationText) && canonicallyEqual(path, other.path);
}

}  // namespace sonaris::state

std::size_t std::hash<sonaris::state::WidgetTrackInfo>::operator()(
    const sonaris::state::WidgetTrackInfo& row) const {
    using sonaris::state::CanonicalText;
    std::size_t seed = 0;
    // Each field hashed on its own and then mixed in, so that moving text from one field to the
    // next changes the hash.
    for (const std::string* field : {&row.title, &row.artist, &row.durationText, &row.path}) {
        const std::size_t h = std::hash<std::string_view>()(CanonicalText(*field).view());
        seed ^= h + 0x9e3779b97f4a7c15ull + (seed << 12) + (seed >> 4);
    }
    return seed;
}
