#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "state/widget_shared_state.hpp"
#include "state/widget_track_info.hpp"

namespace sonaris::state {

// Readable bytes the decoder needs after the text: it scans in wide blocks.
inline constexpr std::size_t stateJsonPadding = 64;

// Decodes a state file's text: one JSON object (UTF-8, an optional byte-order mark) with every
// required key present and of its JSON type, nothing but white space after it. Nothing when the
// text breaks any rule anywhere, also inside keys the format does not know.
std::optional<WidgetSharedState> decodeWidgetSharedState(std::string_view json);

// The same without a copy of the text: `allocated` bytes from json.data() are readable, at least
// json.size() + stateJsonPadding.
std::optional<WidgetSharedState> decodeWidgetSharedState(std::string_view json,
                                                         std::size_t allocated);

// The same, where `owner` keeps the text alive: an inline cover without escapes then stays where
// it lies in the text instead of being copied out (an inline cover is most of a large state).
std::optional<WidgetSharedState> decodeWidgetSharedState(std::string_view json,
                                                         std::size_t allocated,
                                                         std::shared_ptr<const void> owner);

// The JSON form the host writes: compact, keys in field order, "artworkBase64" only when present,
// numbers in their shortest exact form. A number that is not finite has no JSON form, so a state
// holding one does not encode.
std::optional<std::string> encodeJson(const WidgetSharedState& state);
std::string encodeJson(const WidgetTrackInfo& row);

// encodeJson appended to `out`; false, with `out` as it was, when the state does not encode.
bool appendJson(std::string& out, const WidgetSharedState& state);

// encodeJson written to `out` as it is produced, without the whole text in memory; false, with
// nothing written, when the state does not encode.
bool writeJson(std::ostream& out, const WidgetSharedState& state);

}  // namespace sonaris::state
