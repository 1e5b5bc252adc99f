#pragma once

#include <cstdint>

// The names and numbers of the AT-SPI2 D-Bus protocol this bridge speaks.

namespace sonaris::platform::desktop::accessibility::atspi {

inline constexpr const char* accessibleInterface = "org.a11y.atspi.Accessible";
inline constexpr const char* applicationInterface = "org.a11y.atspi.Application";
inline constexpr const char* componentInterface = "org.a11y.atspi.Component";
inline constexpr const char* actionInterface = "org.a11y.atspi.Action";
inline constexpr const char* valueInterface = "org.a11y.atspi.Value";
inline constexpr const char* socketInterface = "org.a11y.atspi.Socket";
inline constexpr const char* cacheInterface = "org.a11y.atspi.Cache";
inline constexpr const char* objectEventInterface = "org.a11y.atspi.Event.Object";

inline constexpr const char* registryName = "org.a11y.atspi.Registry";
inline constexpr const char* rootPath = "/org/a11y/atspi/accessible/root";
inline constexpr const char* objectPathPrefix = "/org/a11y/atspi/accessible/";
inline constexpr const char* cachePath = "/org/a11y/atspi/cache";
inline constexpr const char* nullPath = "/org/a11y/atspi/null";

// On the session bus: where the accessibility bus is, and whether anyone reads it.
inline constexpr const char* launcherName = "org.a11y.Bus";
inline constexpr const char* launcherPath = "/org/a11y/bus";
inline constexpr const char* launcherInterface = "org.a11y.Bus";
inline constexpr const char* statusInterface = "org.a11y.Status";

enum class AtspiRole : std::uint32_t {
    frame = 23,
    label = 29,
    progressBar = 42,
    button = 43,
    application = 75,
};

enum class AtspiState : std::uint32_t {
    active = 1,
    enabled = 8,
    horizontal = 14,
    sensitive = 24,
    showing = 25,
    visible = 30,
    readOnly = 43,
};

enum class CoordinateType : std::uint32_t { screen = 0, window = 1, parent = 2 };

// Components sit on the widget layer; the card is a window.
inline constexpr std::uint32_t widgetLayer = 3;
inline constexpr std::uint32_t windowLayer = 7;

}  // namespace sonaris::platform::desktop::accessibility::atspi
