#pragma once

#include <memory>
#include <optional>

#include "platform/desktop/backend.hpp"
#include "platform/desktop/wayland/pointer_cursors.hpp"
#include "platform/desktop/wayland/wayland_connection.hpp"
#include "platform/desktop/wayland/widget_surface.hpp"

namespace sonaris::platform::desktop::wayland {

// The widget as a layer surface on the bottom layer of a wlr-layer-shell compositor. The surface
// is made anew when its output goes (on another one) or when the output asked for comes back.
class WaylandWindow : public DesktopWindow {
  public:
    // Nothing when no compositor can be reached or it offers no layer shell.
    static std::unique_ptr<WaylandWindow> open(const WindowOptions& options);

    int fd() const override;
    short pollEvents() override { return events_; }
    Prepared prepare() override;
    bool dispatch(short revents) override;
    std::string failure() const override;

    void place(const Placement& placement) override;
    const Placement& placement() const override { return options_.placement; }
    std::optional<double> pixelScale() const override;
    bool showsCurrentPicture() const override;
    void present(render::Raster raster) override;
    std::optional<ui::Rect> extents() const override { return std::nullopt; }
    std::optional<WindowGeometry> geometry() const override;
    void setCursor(Cursor cursor) override;

  private:
    WaylandWindow(const WindowOptions& options, std::unique_ptr<WaylandConnection> connection);
    void placeSurface();
    void pointer(const wayland::PointerEvent& event);

    WindowOptions options_;
    std::unique_ptr<WaylandConnection> connection_;
    std::unique_ptr<WidgetSurface> surface_;
    std::optional<ui::Point> pointerAt_;
    // A move asked for while the last one is still to be shown: made at the next frame.
    std::optional<Placement> pendingPlace_;
    // Where the surface stood when the button went down. While it is held, wlroots compositors
    // give the pointer's position relative to that however the surface has moved since, and
    // KWin relative to where the surface stands now; neither says which. The pointer's own
    // motion, where the compositor tells it, is added up from the press instead.
    std::optional<ui::Rect> pressedAt_;
    std::optional<ui::Point> pressedPointer_;  // on the surface, at the press
    std::optional<ui::Point> movedSincePress_;
    std::unique_ptr<PointerCursors> cursors_;
    Cursor cursor_ = Cursor::standard;
    short events_ = 0;
    bool reading_ = false;
    bool warnedOutput_ = false;
    bool surfaceLost_ = false;
};

}  // namespace sonaris::platform::desktop::wayland
