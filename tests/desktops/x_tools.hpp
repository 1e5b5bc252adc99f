#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/process.hpp"
#include "desktops/desktop.hpp"

namespace sonaris::testing {

// Questions to an X server and a pointer on it, through xdotool, xprop and xwd: the same tools a
// person would reach for, and free of Xlib's macros.
class XTools {
  public:
    explicit XTools(Environment environment) : environment_(std::move(environment)) {}

    // The first mapped window whose title is exactly `title`, as a decimal window id.
    std::optional<std::string> window(const std::string& title) const;
    // The window's place on the screen, its frame left out.
    std::optional<Box> geometry(const std::string& window) const;
    std::string title(const std::string& window) const;
    // _NET_ACTIVE_WINDOW's title, empty when none.
    std::string activeTitle() const;
    // _NET_CLIENT_LIST_STACKING, bottom first, as decimal window ids.
    std::vector<std::string> stacking() const;
    std::optional<bool> aboveWidget(const std::string& title) const;
    // Whether the widget's _NET_WM_STATE, as the window manager keeps it, skips the taskbar.
    std::optional<bool> widgetSkipsTaskbar() const;
    // A gesture in the steps of Desktop::pointer, through XTEST.
    bool pointer(const std::vector<std::string>& steps) const;
    // The root window, or one window, as `xwd` dumps it.
    std::optional<Picture> screenshot(const std::string& window = "") const;
    // The widget's window ("Sonaris"): its place, and its own pixels (quicker than the whole
    // screen, and had where Xwayland draws no root).
    std::optional<Box> widgetBox() const;
    std::optional<Picture> widgetPicture() const;
    // Whether a window manager names itself on the root window (_NET_SUPPORTING_WM_CHECK).
    bool managerNamed() const;

  private:
    ProcessResult run(const std::string& program, std::vector<std::string> arguments) const;
    Environment environment_;
};

}  // namespace sonaris::testing
