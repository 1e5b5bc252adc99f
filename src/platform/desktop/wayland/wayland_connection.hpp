#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop/wayland/wayland_handles.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::desktop::wayland {

// One monitor as the compositor announces it.
struct WaylandOutput {
    std::uint32_t globalName = 0;
    WaylandPtr<wl_output> output;
    WaylandPtr<zxdg_output_v1> xdgOutput;
    std::string name;  // wl_output's (version 4) or xdg-output's; empty until known
    int scale = 1;
    // The current mode in pixels and, from xdg-output, the same area in logical units; zero
    // until known.
    int modeWidth = 0;
    int modeHeight = 0;
    int logicalWidth = 0;
    int logicalHeight = 0;

    // The output's scale in 120ths as the ratio of its pixels to its logical size tells it, for
    // compositors that scale by fractions without saying so through wp_fractional_scale_v1.
    std::optional<std::uint32_t> impliedScale120ths() const;
    // The output's size in logical units (the compositor's points); zero when unknown.
    ui::Size logicalSize() const;
};

// What the pointer does over one of the client's surfaces, in surface-local coordinates.
struct PointerEvent {
    // moved: the pointer went by (x, y) in the compositor's units, wherever it is, as a mouse
    // moves it (relative motion).
    enum class Kind { enter, leave, motion, moved, press, release };
    Kind kind = Kind::motion;
    wl_surface* surface = nullptr;  // for enter; the surface it is over otherwise
    double x = 0;
    double y = 0;
    std::uint32_t button = 0;  // for press and release: the evdev code
};

// The connection to the compositor and the globals the widget uses. Outputs and the pointer are
// followed as they come and go; the owner hears of it through the callbacks, which run inside
// dispatching.
class WaylandConnection {
  public:
    // Nothing when no compositor can be reached or it lacks the compositor, shared-memory or
    // layer-shell globals.
    static std::unique_ptr<WaylandConnection> connect();
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* display() const { return display_.get(); }
    wl_compositor* compositor() const { return compositor_.get(); }
    wl_shm* shm() const { return shm_.get(); }
    zwlr_layer_shell_v1* layerShell() const { return layerShell_.get(); }
    wp_viewporter* viewporter() const { return viewporter_.get(); }
    wp_fractional_scale_manager_v1* fractionalScale() const { return fractionalScale_.get(); }

    const std::vector<std::unique_ptr<WaylandOutput>>& outputs() const { return outputs_; }
    // The pointer, and the serial of its last entry into one of our surfaces (to set its
    // cursor with); null without a pointer.
    wl_pointer* pointerDevice() const { return pointer_.get(); }
    std::uint32_t pointerEnterSerial() const { return enterSerial_; }
    const WaylandOutput* outputNamed(std::string_view name) const;
    const WaylandOutput* outputFor(const wl_output* output) const;

    // An output was added, renamed or rescaled.
    std::function<void(const WaylandOutput&)> outputChanged;
    // An output is about to go; its wl_output is released right after.
    std::function<void(const WaylandOutput&)> outputRemoved;
    std::function<void(const PointerEvent&)> pointer;

  private:
    WaylandConnection() = default;

    void addGlobal(std::uint32_t name, std::string_view interface, std::uint32_t version);
    void removeGlobal(std::uint32_t name);
    void addOutput(std::uint32_t name, std::uint32_t version);
    void watchXdgOutput(WaylandOutput& output);
    void seatCapabilities(std::uint32_t capabilities);
    void notifyChanged(const wl_output* output);

    static const wl_registry_listener registryListener;
    static const wl_output_listener outputListener;
    static const zxdg_output_v1_listener xdgOutputListener;
    static const wl_seat_listener seatListener;
    static const wl_pointer_listener pointerListener;
    static const zwp_relative_pointer_v1_listener relativePointerListener;
    // Asks for the pointer's relative motion once both the pointer and the manager are there.
    void watchRelativeMotion();

    WaylandPtr<wl_display> display_;
    WaylandPtr<wl_registry> registry_;
    WaylandPtr<wl_compositor> compositor_;
    WaylandPtr<wl_shm> shm_;
    WaylandPtr<zwlr_layer_shell_v1> layerShell_;
    WaylandPtr<wp_viewporter> viewporter_;
    WaylandPtr<wp_fractional_scale_manager_v1> fractionalScale_;
    WaylandPtr<zxdg_output_manager_v1> xdgOutputManager_;
    WaylandPtr<zwp_relative_pointer_manager_v1> relativePointerManager_;
    std::uint32_t seatName_ = 0;
    WaylandPtr<wl_seat> seat_;
    WaylandPtr<wl_pointer> pointer_;
    WaylandPtr<zwp_relative_pointer_v1> relativePointer_;  // goes before pointer_
    wl_surface* pointerSurface_ = nullptr;
    std::uint32_t enterSerial_ = 0;
    std::vector<std::unique_ptr<WaylandOutput>> outputs_;
};

}  // namespace sonaris::platform::desktop::wayland
