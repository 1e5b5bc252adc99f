// The state file decoder on any text: no crash, the same answer whether it reads in place or from
// its own copy, and what it decodes survives a round trip through the encoder unchanged.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "fuzz_support.hpp"
#include "state/state_json.hpp"

namespace {

using sonaris::state::WidgetSharedState;
using sonaris::state::WidgetTrackInfo;

// Byte-for-byte, not the canonical equivalence rows compare by: a round trip must not change a
// single byte.
bool sameRow(const WidgetTrackInfo& a, const WidgetTrackInfo& b) {
    return a.title == b.title && a.artist == b.artist && a.durationText == b.durationText &&
           a.path == b.path;
}

bool sameState(const WidgetSharedState& a, const WidgetSharedState& b) {
    if (a.recentTracks.size() != b.recentTracks.size())
        return false;
    for (std::size_t i = 0; i < a.recentTracks.size(); ++i)
        if (!sameRow(a.recentTracks[i], b.recentTracks[i]))
            return false;
    return a.isPlaying == b.isPlaying && a.title == b.title && a.artist == b.artist &&
           a.album == b.album && a.duration == b.duration && a.currentTime == b.currentTime &&
           a.mediaKind == b.mediaKind && a.hasArtwork == b.hasArtwork &&
           a.artworkBase64 == b.artworkBase64 &&
           a.updatedAt.timeIntervalSinceReferenceDate == b.updatedAt.timeIntervalSinceReferenceDate;
}

bool sameResult(const std::optional<WidgetSharedState>& a,
                const std::optional<WidgetSharedState>& b) {
    return a.has_value() == b.has_value() && (!a || sameState(*a, *b));
}

// The text in a buffer exactly as large as the decoder is told it may read, so that a read past
// the padding is caught, with the padding filled with `fill`.
std::optional<WidgetSharedState> decodeInPlace(std::string_view text, unsigned char fill) {
    const std::size_t allocated = text.size() + sonaris::state::stateJsonPadding;
    const auto buffer = std::make_unique<char[]>(allocated);
    if (!text.empty())
        std::memcpy(buffer.get(), text.data(), text.size());
    std::memset(buffer.get() + text.size(), fill, sonaris::state::stateJsonPadding);
    return sonaris::state::decodeWidgetSharedState({buffer.get(), text.size()}, allocated);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto state = sonaris::state::decodeWidgetSharedState(text);

    // The loader hands over a file's bytes followed by zeros; what lies past the end must never
    // change the answer.
    FUZZ_CHECK(sameResult(state, decodeInPlace(text, 0)));
    FUZZ_CHECK(sameResult(state, decodeInPlace(text, '"')));
    FUZZ_CHECK(sameResult(state, decodeInPlace(text, '1')));

    if (!state)
        return 0;
    // Only non-finite numbers have no JSON form, and JSON numbers decode to finite ones.
    const auto encoded = sonaris::state::encodeJson(*state);
    FUZZ_CHECK(encoded.has_value());
    const auto again = sonaris::state::decodeWidgetSharedState(*encoded);
    FUZZ_CHECK(again && sameState(*state, *again));
    // The writer's form is a fixed point.
    FUZZ_CHECK(sonaris::state::encodeJson(*again) == encoded);
    for (const auto& row : state->recentTracks) {
        const auto rowJson = sonaris::state::encodeJson(row);
        FUZZ_CHECK(!rowJson.empty() && rowJson.front() == '{' && rowJson.back() == '}');
    }
    return 0;
}
