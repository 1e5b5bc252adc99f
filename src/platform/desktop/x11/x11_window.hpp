#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "platform/desktop/backend.hpp"
#include "platform/desktop/x11/extension_libraries.hpp"
#include "platform/desktop/x11/xlib_library.hpp"

namespace sonaris::platform::desktop::x11 {

// The widget's own borderless X11 window: below other windows, on every workspace, out of the
// taskbar and pager, never taking the keyboard focus. It has a 32-bit visual where the screen
// offers one, so that a compositor shows the card's corners transparent; where none runs (or
// while one is away) a shape cuts the window to the card. The picture lives on the server as
// the window's background, so exposures need nothing from the widget.
class X11Window : public DesktopWindow {
  public:
    // A one-line reason when Xlib cannot be loaded or the display cannot be opened.
    static std::variant<std::unique_ptr<X11Window>, std::string> open(const WindowOptions& options);
    ~X11Window() override;

    int fd() const override;
    short pollEvents() override;
    Prepared prepare() override;
    bool dispatch(short revents) override;
    std::string failure() const override;

    void place(const Placement& placement) override;
    const Placement& placement() const override { return placement_; }
    std::optional<double> pixelScale() const override { return scale_; }
    bool showsCurrentPicture() const override { return pixmap_ != None; }
    void present(render::Raster raster) override;
    std::optional<ui::Rect> extents() const override;
    std::optional<WindowGeometry> geometry() const override;
    void setCursor(Cursor cursor) override;

  private:
    X11Window() = default;
    void handle(const XEvent& event);
    void followCompositor();
    void cutToCard();
    ui::Point toPoints(int x, int y) const;

    // The libraries first, so that they are unloaded last, after every handle below.
    std::unique_ptr<XlibLibrary> xlib_;
    std::unique_ptr<XrandrLibrary> xrandr_;
    std::unique_ptr<XshapeLibrary> xshape_;
    std::unique_ptr<XfixesLibrary> xfixes_;
    Display* display_ = nullptr;
    int screen_ = 0;
    Window window_ = None;
    Colormap colormap_ = None;
    Pixmap pixmap_ = None;
    ::Cursor hand_ = None;
    int depth_ = 0;
    int width_ = 1;
    int height_ = 1;
    double scale_ = 1;
    ui::Size points_;
    Placement placement_;
    std::function<void(const std::string&)> notify_;
    Atom protocols_ = None;
    Atom deleteWindow_ = None;
    Atom compositorSelection_ = None;
    int randrEventBase_ = -1;
    int fixesEventBase_ = -1;
    // Whether the corners are left to a compositor (a 32-bit window while one runs).
    bool transparent_ = false;
    bool reportedMissingOutput_ = false;
    // Until the window is first shown, a window manager may have lost the request to map it.
    bool shownOnce_ = false;
};

}  // namespace sonaris::platform::desktop::x11
