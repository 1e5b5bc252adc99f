#pragma once

#include <string_view>

#include "platform/foundation/url.hpp"

namespace sonaris::state {

// The deep links the host application handles.
namespace HostURL {
inline constexpr std::string_view toggle = "sonaris://toggle";
inline constexpr std::string_view play = "sonaris://play";
inline constexpr std::string_view prev = "sonaris://prev";
inline constexpr std::string_view next = "sonaris://next";
inline constexpr std::string_view recordScreen = "sonaris://record-screen";
inline constexpr std::string_view recordAudio = "sonaris://record-audio";
inline constexpr std::string_view editor = "sonaris://editor";
}  // namespace HostURL

// A host URL as a URL value; every one of the table parses.
platform::foundation::URL hostURL(std::string_view text);

}  // namespace sonaris::state
