#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

struct _XDisplay;

namespace sonaris::testing {

using XWindow = unsigned long;

// A connection to a test's X server, for finding and inspecting the widget's window; closed
// afterwards. Kept apart from the tests because Xlib's macros clash with GoogleTest's names.
class XConnection {
  public:
    explicit XConnection(const std::string& display);
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    bool connected() const { return display_ != nullptr; }

    // The mapped top-level window titled `title`, waited for at most `limit`.
    std::optional<XWindow> waitForWindow(const std::string& title, std::chrono::milliseconds limit);
    std::pair<int, int> size(XWindow window);
    // Where the window's top-left corner is on the screen.
    std::pair<int, int> origin(XWindow window);
    // The names of the atoms a property of type ATOM holds.
    std::vector<std::string> atomList(XWindow window, const char* property);
    // The window's pixels as they are on the screen.
    std::string pixels(XWindow window);
    int depth(XWindow window);
    // Whether the window's shape of `kind` (ShapeBounding 0, ShapeInput 2) holds the pixel.
    bool shapeHolds(XWindow window, int kind, int x, int y);

    // Declares XRandR monitors, each {name, x, y, width, height}, the first one primary; they
    // last as long as this connection.
    void addMonitors(const std::vector<std::tuple<std::string, int, int, int, int>>& monitors);
    // As a monitor unplugged: its declaration gone, the outputs off, the screen shrunk.
    void unplug(const std::string& monitor, int screenWidth, int screenHeight);
    // Owns _NET_WM_CM_S0 as a compositing manager does; release() ends it as one that exits.
    void claimCompositing();
    void releaseCompositing();
    // Takes the requests to map and move windows, as a window manager does, and drops them, as
    // one still setting up may; leaveWindowRequests() stops that and sets a property on the root, as a
    // manager at work does.
    void dropWindowRequests();
    void leaveWindowRequests();
    // WM_HINTS' input field; nothing without the hint.
    std::optional<bool> inputHint(XWindow window);
    // Asks the window to close, as a window manager's close button does.
    void sendDeleteWindow(XWindow window);

  private:
    std::optional<XWindow> find(XWindow at, const std::string& title, int depth);
    _XDisplay* display_;
    XWindow compositor_ = 0;
};

}  // namespace sonaris::testing
