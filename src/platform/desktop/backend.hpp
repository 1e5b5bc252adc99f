#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/desktop/placement.hpp"
#include "platform/render/painter.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::desktop {

// A press, motion or release of the pointer over the widget's window.
struct PointerEvent {
    enum class Kind { press, motion, release, leave };
    Kind kind = Kind::motion;
    // In widget points from the window's top-left corner; meaningless for leave.
    ui::Point at;
    // Where the window system gives one: the same position on the screen (X11: root
    // coordinates, in pixels). Wayland tells nothing beyond the surface.
    std::optional<ui::Point> onScreen;
    bool primaryButton = false;  // press and release: the left button
};

enum class Cursor { standard, hand };

// What a backend opens its window with.
struct WindowOptions {
    std::string title;
    ui::Size points;
    std::optional<double> scale;  // pixels per point; unset: the output's own
    Placement placement;
    // Tells the user, in one line, what they should know (a monitor that is not there).
    std::function<void(const std::string&)> notify;
};

// How prepare() left the connection.
enum class Prepared {
    waiting,     // everything sent and handled: poll for more
    dispatched,  // events already read were handled: see what they made due, then prepare again
    failed,      // the connection is lost
};

// The widget's window on the desktop, whatever the window system: the live widget is written
// once against this, and each backend keeps its window where the placement asks, shows the card
// only, and takes no keyboard focus. Everything runs on the live loop's thread: the callbacks
// are called from within dispatch().
class DesktopWindow {
  public:
    struct Callbacks {
        std::function<void(const PointerEvent&)> pointer;
        // The monitors changed (one came, went or moved); the window has been placed anew.
        std::function<void()> outputsChanged;
        // The window system asked the window to close (X11: WM_DELETE_WINDOW).
        std::function<void()> closeRequested;
    };

    virtual ~DesktopWindow() = default;

    void setCallbacks(Callbacks callbacks) { callbacks_ = std::move(callbacks); }

    // The connection's file descriptor, and the poll events it waits for now (POLLOUT while a
    // full socket waits to be written).
    virtual int fd() const = 0;
    virtual short pollEvents() = 0;
    // Called before every poll, so that requests are sent and events already read are handled.
    virtual Prepared prepare() = 0;
    // Handles what the display sent once poll() returned `revents` for fd() (0: nothing came,
    // and a read begun in prepare() is given up); false when the connection is lost.
    virtual bool dispatch(short revents) = 0;
    // Why the connection ended, in one line, once prepare() or dispatch() returned false.
    virtual std::string failure() const = 0;

    // Stands the window where `placement` says, now (while dragging, too).
    virtual void place(const Placement& placement) = 0;
    virtual const Placement& placement() const = 0;

    // Pixels per point of the picture the window wants; nothing while it cannot show one yet.
    virtual std::optional<double> pixelScale() const = 0;
    // Whether what the window shows was drawn at pixelScale(); false asks for a new picture even
    // when the entry did not change.
    virtual bool showsCurrentPicture() const = 0;
    // Shows a picture painted at pixelScale().
    virtual void present(render::Raster raster) = 0;

    // The window's area on the screen (X11: root coordinates in pixels); nothing where the
    // window system does not say (Wayland).
    virtual std::optional<ui::Rect> extents() const = 0;

    virtual void setCursor(Cursor cursor) = 0;

  protected:
    Callbacks callbacks_;
};

}  // namespace sonaris::platform::desktop
