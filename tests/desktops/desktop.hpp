#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "cli/process.hpp"
#include "wayland/sway_session.hpp"

namespace sonaris::testing {

// A rectangle on the screen, in the desktop's pixels.
struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const Box&) const = default;
};
// For GoogleTest's messages.
void PrintTo(const Box& box, std::ostream* out);

// The desktops the widget is tried on, each headless.
enum class DesktopKind {
    kwin,       // KWin's Wayland compositor, with the layer shell and XWayland
    mutter,     // Mutter's Wayland compositor: no layer shell, the widget comes through XWayland
    mutterX11,  // Mutter as the window manager of an X server
    openbox,    // a plain X11 window manager
};

std::string nameOf(DesktopKind kind);
// For GoogleTest's names of the cases.
void PrintTo(DesktopKind kind, std::ostream* out);

// One running desktop and what a test asks of it: where windows are, which one is active, and a
// pointer to move and press.
class Desktop {
  public:
    virtual ~Desktop() = default;

    // What a client needs to reach the desktop, over `base`.
    virtual Environment clientEnvironment(Environment base) const = 0;
    // Where the widget stands (the window titled "Sonaris", or its layer surface).
    virtual std::optional<Box> widgetBox() = 0;
    // The title of the window with the keyboard focus; empty when none has it.
    virtual std::string activeTitle() = 0;
    // Whether the desktop keeps the widget out of its taskbar (nothing when it is not found).
    virtual std::optional<bool> widgetSkipsTaskbar() = 0;
    // Whether the window titled `title` is stacked above the widget (nothing when either is
    // missing).
    virtual std::optional<bool> aboveWidget(const std::string& title) = 0;
    // Runs one pointer gesture, each step `X,Y` (a move to that screen pixel), `down` or `up`
    // (the left button); whether the desktop took it.
    virtual bool pointer(const std::vector<std::string>& steps) = 0;
    // The whole screen as it is shown, where the desktop gives it.
    virtual std::optional<Picture> screenshot() = 0;
    // The widget as it is shown.
    virtual std::optional<Picture> widgetPicture();
    // What the compositor or window manager said so far, for failure messages.
    virtual std::string log() = 0;

    bool click(int x, int y) { return pointer({point(x, y), "down", "up"}); }
    static std::string point(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
};

// The desktop, or why it cannot run here.
std::variant<std::unique_ptr<Desktop>, std::string> startDesktop(DesktopKind kind, int width,
                                                                 int height);

}  // namespace sonaris::testing
