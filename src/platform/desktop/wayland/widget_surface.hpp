#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/desktop/placement.hpp"
#include "platform/desktop/wayland/layer_geometry.hpp"
#include "platform/desktop/wayland/shm_buffer.hpp"
#include "platform/desktop/wayland/wayland_connection.hpp"
#include "platform/render/painter.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::desktop::wayland {

// The widget's layer surface on the bottom layer of one output: placed as asked, without
// keyboard focus or an exclusive zone, taking clicks on its card only. It draws nothing by
// itself: its listeners only note what the compositor says, and the owner, after each dispatch,
// presents a picture when ready() and either its content or current() calls for one.
class WidgetSurface {
  public:
    struct Options {
        ui::Size points;
        Placement placement;
        std::optional<double> requestedScale;
    };

    // `output` null: the compositor's choice.
    WidgetSurface(WaylandConnection& connection, const Options& options, wl_output* output);
    ~WidgetSurface();
    WidgetSurface(const WidgetSurface&) = delete;
    WidgetSurface& operator=(const WidgetSurface&) = delete;

    wl_surface* surface() const { return surface_.get(); }
    wl_output* output() const { return output_; }
    // The compositor took the surface away (its output went); it has to be made anew.
    bool closed() const { return closed_; }
    // Configured and not waiting for the last frame to be shown.
    bool ready() const { return configured_ && !frame_ && !closed_; }
    // Whether the surface shows a picture drawn at the scale it now needs.
    bool current() const { return presentedScale_ == drawingScale(); }

    DrawingScale drawingScale() const;

    void present(const render::Raster& raster, const DrawingScale& scale);

    // The surface left an output that is going away.
    void forgetOutput(const wl_output* output);

    // Moves the surface (a layer surface cannot move itself: its anchor and margins change),
    // at most once a frame: a move while the last is still to be shown waits for that frame.
    void place(const Placement& placement);
    // Where the surface stands on its output, in the output's points; nothing while the
    // output's size is unknown.
    std::optional<ui::Rect> rectOnOutput() const;
    const WaylandOutput* shownOn() const;

  private:
    ShmBuffer* bufferFor(int width, int height);
    void setPlacement(const Placement& placement);

    static const wl_surface_listener surfaceListener;
    static const zwlr_layer_surface_v1_listener layerListener;
    static const wp_fractional_scale_v1_listener fractionalListener;
    static const wl_callback_listener frameListener;

    WaylandConnection& connection_;
    Options options_;
    wl_output* output_ = nullptr;
    std::vector<std::unique_ptr<ShmBuffer>> buffers_;
    WaylandPtr<wl_surface> surface_;
    WaylandPtr<wp_viewport> viewport_;
    WaylandPtr<wp_fractional_scale_v1> fractional_;
    WaylandPtr<zwlr_layer_surface_v1> layer_;
    WaylandPtr<wl_callback> frame_;
    ShmBuffer* shown_ = nullptr;  // the last picture attached, one of buffers_
    std::vector<const wl_output*> entered_;
    std::optional<std::uint32_t> preferred120ths_;
    std::optional<DrawingScale> presentedScale_;
    bool configured_ = false;
    bool closed_ = false;
};

}  // namespace sonaris::platform::desktop::wayland
