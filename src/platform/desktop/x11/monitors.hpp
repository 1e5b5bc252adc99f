#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/x11/extension_libraries.hpp"
#include "platform/desktop/x11/xlib_library.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::desktop::x11 {

// A monitor of the X screen, in the screen's pixels.
struct X11Monitor {
    std::string name;
    // The outputs it shows, by name: its own name too for an output's own monitor, others
    // where the user has joined outputs into one monitor.
    std::vector<std::string> outputs;
    ui::Rect area;
    bool primary = false;
};

// The active monitors XRandR reports (an output's own monitor carries the output's name); the
// whole screen as one unnamed monitor when there is no XRandR.
std::vector<X11Monitor> listMonitors(const XlibLibrary& xlib, const XrandrLibrary* xrandr,
                                     Display* display);

struct MonitorChoice {
    X11Monitor monitor;
    // Whether it is the one asked for by name; false when none was asked for.
    bool named = false;
};

// The monitor named `output` (or showing the output of that name), else the primary one, else
// the first; nothing when there is none.
std::optional<MonitorChoice> chooseMonitor(const std::vector<X11Monitor>& monitors,
                                           const std::optional<std::string>& output);

// The monitors' names for a message: "DP-1, HDMI-1".
std::string monitorNames(const std::vector<X11Monitor>& monitors);

}  // namespace sonaris::platform::desktop::x11
