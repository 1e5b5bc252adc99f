#pragma once

#include <memory>

#include "platform/desktop/wayland/wayland_protocols.hpp"

namespace sonaris::platform::desktop::wayland {

// Releases a Wayland proxy (or the display) the way its interface asks to be. The generated
// destructors are static inline functions, so they are called here rather than named as template
// arguments.
struct WaylandDeleter {
    void operator()(wl_display* display) const { wl_display_disconnect(display); }
    void operator()(wl_registry* registry) const { wl_registry_destroy(registry); }
    void operator()(wl_compositor* compositor) const { wl_compositor_destroy(compositor); }
    void operator()(wl_shm* shm) const { wl_shm_destroy(shm); }
    void operator()(wl_surface* surface) const { wl_surface_destroy(surface); }
    void operator()(wl_region* region) const { wl_region_destroy(region); }
    void operator()(wl_callback* callback) const { wl_callback_destroy(callback); }
    void operator()(wl_output* output) const;
    void operator()(wl_seat* seat) const;
    void operator()(wl_pointer* pointer) const;
    void operator()(zwlr_layer_shell_v1* shell) const;
    void operator()(zwlr_layer_surface_v1* layer) const { zwlr_layer_surface_v1_destroy(layer); }
    void operator()(wp_viewporter* viewporter) const { wp_viewporter_destroy(viewporter); }
    void operator()(wp_viewport* viewport) const { wp_viewport_destroy(viewport); }
    void operator()(wp_fractional_scale_manager_v1* manager) const {
        wp_fractional_scale_manager_v1_destroy(manager);
    }
    void operator()(wp_fractional_scale_v1* scale) const { wp_fractional_scale_v1_destroy(scale); }
    void operator()(zxdg_output_manager_v1* manager) const {
        zxdg_output_manager_v1_destroy(manager);
    }
    void operator()(zxdg_output_v1* output) const { zxdg_output_v1_destroy(output); }
    void operator()(zwp_relative_pointer_manager_v1* manager) const {
        zwp_relative_pointer_manager_v1_destroy(manager);
    }
    void operator()(zwp_relative_pointer_v1* pointer) const {
        zwp_relative_pointer_v1_destroy(pointer);
    }
};

template <class T>
using WaylandPtr = std::unique_ptr<T, WaylandDeleter>;

}  // namespace sonaris::platform::desktop::wayland
