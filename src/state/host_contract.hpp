#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/url.hpp"

namespace sonaris::state {

// The files the host leaves for the widget, and the folders it may leave them in: the session's
// runtime folder, then two folders relative to the home folder, the container folder first.
namespace HostFiles {
inline constexpr std::string_view stateFileName = "widget_state.json";
inline constexpr std::string_view coverFileName = "widget_cover.jpg";
inline constexpr std::string_view supportFolder = "Library/Application Support/Sonaris";
// "Library/Containers/<extension bundle identifier>/Data/Documents".
std::string containerFolder();
// $XDG_RUNTIME_DIR/sonaris: where the host keeps its live files when the session has a runtime
// folder (they change every few seconds and mean nothing after logout). Nothing when
// XDG_RUNTIME_DIR is unset or not an absolute path. Read afresh on every call.
std::optional<std::filesystem::path> runtimeFolder();
}  // namespace HostFiles

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
