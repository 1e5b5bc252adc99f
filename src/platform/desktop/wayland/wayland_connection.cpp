#include "platform/desktop/wayland/wayland_connection.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sonaris::platform::desktop::wayland {

namespace {

// Versions the widget is written against: wl_output 4 names its output, wl_seat 5 is the last
// before pointer events the widget would have to handle differently.
constexpr std::uint32_t compositorVersion = 4;
constexpr std::uint32_t shmVersion = 1;
constexpr std::uint32_t outputVersion = 4;
constexpr std::uint32_t seatVersion = 5;
constexpr std::uint32_t layerShellVersion = 4;
constexpr std::uint32_t xdgOutputVersion = 3;

template <class T>
T* bind(wl_registry* registry, std::uint32_t name, const wl_interface* interface,
        std::uint32_t offered, std::uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

WaylandConnection& self(void* data) {
    return *static_cast<WaylandConnection*>(data);
}

}  // namespace

void WaylandDeleter::operator()(wl_output* output) const {
    if (wl_output_get_version(output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
        wl_output_release(output);
    else
        wl_output_destroy(output);
}

void WaylandDeleter::operator()(wl_seat* seat) const {
    if (wl_seat_get_version(seat) >= WL_SEAT_RELEASE_SINCE_VERSION)
        wl_seat_release(seat);
    else
        wl_seat_destroy(seat);
}

void WaylandDeleter::operator()(wl_pointer* pointer) const {
    if (wl_pointer_get_version(pointer) >= WL_POINTER_RELEASE_SINCE_VERSION)
        wl_pointer_release(pointer);
    else
        wl_pointer_destroy(pointer);
}

void WaylandDeleter::operator()(zwlr_layer_shell_v1* shell) const {
    if (zwlr_layer_shell_v1_get_version(shell) >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION)
        zwlr_layer_shell_v1_destroy(shell);
    else
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(shell));
}

const wl_registry_listener WaylandConnection::registryListener{
    +[](void* data, wl_registry*, std::uint32_t name, const char* interface,
        std::uint32_t version) { self(data).addGlobal(name, interface, version); },
    +[](void* data, wl_registry*, std::uint32_t name) { self(data).removeGlobal(name); },
};

const wl_output_listener WaylandConnection::outputListener{
    +[](void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
        int32_t) {},
    +[](void* data, wl_output* output, std::uint32_t flags, int32_t width, int32_t height,
        int32_t) {
        if (!(flags & WL_OUTPUT_MODE_CURRENT))
            return;
        for (auto& known : self(data).outputs_)
            if (known->output.get() == output) {
                known->modeWidth = width;
                known->modeHeight = height;
            }
    },
    +[](void* data, wl_output* output) { self(data).notifyChanged(output); },
    +[](void* data, wl_output* output, int32_t factor) {
        auto& connection = self(data);
        for (auto& known : connection.outputs_)
            if (known->output.get() == output)
                known->scale = std::max(factor, 1);
    },
    +[](void* data, wl_output* output, const char* name) {
        auto& connection = self(data);
        for (auto& known : connection.outputs_)
            if (known->output.get() == output)
                known->name = name;
    },
    +[](void*, wl_output*, const char*) {},
};

const zxdg_output_v1_listener WaylandConnection::xdgOutputListener{
    +[](void*, zxdg_output_v1*, int32_t, int32_t) {},
    +[](void* data, zxdg_output_v1* xdgOutput, int32_t width, int32_t height) {
        for (auto& known : self(data).outputs_)
            if (known->xdgOutput.get() == xdgOutput) {
                known->logicalWidth = width;
                known->logicalHeight = height;
            }
    },
    // Version 3 and later follow with wl_output.done; before that, with their own done.
    +[](void* data, zxdg_output_v1* xdgOutput) {
        auto& connection = self(data);
        for (auto& known : connection.outputs_)
            if (known->xdgOutput.get() == xdgOutput)
                connection.notifyChanged(known->output.get());
    },
    +[](void* data, zxdg_output_v1* xdgOutput, const char* name) {
        auto& connection = self(data);
        // wl_output's own name, when it has one, is the same; it is kept if already known.
        for (auto& known : connection.outputs_)
            if (known->xdgOutput.get() == xdgOutput && known->name.empty())
                known->name = name;
    },
    +[](void*, zxdg_output_v1*, const char*) {},
};

const wl_seat_listener WaylandConnection::seatListener{
    +[](void* data, wl_seat*, std::uint32_t capabilities) {
        self(data).seatCapabilities(capabilities);
    },
    +[](void*, wl_seat*, const char*) {},
};

const wl_pointer_listener WaylandConnection::pointerListener{
    +[](void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface, wl_fixed_t x,
        wl_fixed_t y) {
        auto& connection = self(data);
        connection.pointerSurface_ = surface;
        connection.enterSerial_ = serial;
        if (connection.pointer)
            connection.pointer({PointerEvent::Kind::enter, surface, wl_fixed_to_double(x),
                                wl_fixed_to_double(y), 0});
    },
    +[](void* data, wl_pointer*, std::uint32_t, wl_surface* surface) {
        auto& connection = self(data);
        connection.pointerSurface_ = nullptr;
        if (connection.pointer)
            connection.pointer({PointerEvent::Kind::leave, surface, 0, 0, 0});
    },
    +[](void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        auto& connection = self(data);
        if (connection.pointer)
            connection.pointer({PointerEvent::Kind::motion, connection.pointerSurface_,
                                wl_fixed_to_double(x), wl_fixed_to_double(y), 0});
    },
    +[](void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
        std::uint32_t state) {
        auto& connection = self(data);
        auto kind = state == WL_POINTER_BUTTON_STATE_PRESSED ? PointerEvent::Kind::press
                                                             : PointerEvent::Kind::release;
        if (connection.pointer)
            connection.pointer({kind, connection.pointerSurface_, 0, 0, button});
    },
    +[](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
    +[](void*, wl_pointer*) {},
    +[](void*, wl_pointer*, std::uint32_t) {},
    +[](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
    +[](void*, wl_pointer*, std::uint32_t, int32_t) {},
    +[](void*, wl_pointer*, std::uint32_t, int32_t) {},
};

const zwp_relative_pointer_v1_listener WaylandConnection::relativePointerListener{
    +[](void* data, zwp_relative_pointer_v1*, std::uint32_t, std::uint32_t, wl_fixed_t dx,
        wl_fixed_t dy, wl_fixed_t, wl_fixed_t) {
        auto& connection = self(data);
        // The accelerated motion: the one the cursor makes on the screen.
        if (connection.pointer)
            connection.pointer({PointerEvent::Kind::moved, connection.pointerSurface_,
                                wl_fixed_to_double(dx), wl_fixed_to_double(dy), 0});
    },
};

std::unique_ptr<WaylandConnection> WaylandConnection::connect() {
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection());
    connection->display_.reset(wl_display_connect(nullptr));
    if (!connection->display_)
        return nullptr;
    connection->registry_.reset(wl_display_get_registry(connection->display()));
    wl_registry_add_listener(connection->registry_.get(), &registryListener, connection.get());
    // The first round trip announces the globals; the second, what the outputs bound in the
    // first say about themselves (names and scales).
    for (int i = 0; i < 2; ++i)
        if (wl_display_roundtrip(connection->display()) < 0)
            return nullptr;
    if (!connection->compositor_ || !connection->shm_ || !connection->layerShell_)
        return nullptr;
    return connection;
}

WaylandConnection::~WaylandConnection() {
    if (display_)
        wl_display_flush(display_.get());
}

std::optional<std::uint32_t> WaylandOutput::impliedScale120ths() const {
    // The longer sides are compared, so that a rotated output reads the same.
    int pixels = std::max(modeWidth, modeHeight);
    int logical = std::max(logicalWidth, logicalHeight);
    if (pixels <= 0 || logical <= 0)
        return std::nullopt;
    double ratio = double(pixels) / logical;
    if (!(ratio >= 0.25 && ratio <= 16))
        return std::nullopt;
    return static_cast<std::uint32_t>(std::lround(ratio * 120));
}

ui::Size WaylandOutput::logicalSize() const {
    if (logicalWidth > 0 && logicalHeight > 0)
        return {double(logicalWidth), double(logicalHeight)};
    return {double(modeWidth) / scale, double(modeHeight) / scale};
}

const WaylandOutput* WaylandConnection::outputNamed(std::string_view name) const {
    for (const auto& output : outputs_)
        if (output->name == name)
            return output.get();
    return nullptr;
}

const WaylandOutput* WaylandConnection::outputFor(const wl_output* output) const {
    for (const auto& known : outputs_)
        if (known->output.get() == output)
            return known.get();
    return nullptr;
}

void WaylandConnection::addGlobal(std::uint32_t name, std::string_view interface,
                                  std::uint32_t version) {
    wl_registry* registry = registry_.get();
    if (interface == wl_compositor_interface.name && !compositor_) {
        compositor_.reset(bind<wl_compositor>(registry, name, &wl_compositor_interface, version,
                                              compositorVersion));
    } else if (interface == wl_shm_interface.name && !shm_) {
        shm_.reset(bind<wl_shm>(registry, name, &wl_shm_interface, version, shmVersion));
    } else if (interface == zwlr_layer_shell_v1_interface.name && !layerShell_) {
        layerShell_.reset(bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface,
                                                    version, layerShellVersion));
    } else if (interface == wp_viewporter_interface.name && !viewporter_) {
        viewporter_.reset(
            bind<wp_viewporter>(registry, name, &wp_viewporter_interface, version, 1));
    } else if (interface == wp_fractional_scale_manager_v1_interface.name && !fractionalScale_) {
        fractionalScale_.reset(bind<wp_fractional_scale_manager_v1>(
            registry, name, &wp_fractional_scale_manager_v1_interface, version, 1));
    } else if (interface == zxdg_output_manager_v1_interface.name && !xdgOutputManager_) {
        xdgOutputManager_.reset(bind<zxdg_output_manager_v1>(
            registry, name, &zxdg_output_manager_v1_interface, version, xdgOutputVersion));
        for (auto& output : outputs_)
            watchXdgOutput(*output);
    } else if (interface == zwp_relative_pointer_manager_v1_interface.name &&
               !relativePointerManager_) {
        relativePointerManager_.reset(bind<zwp_relative_pointer_manager_v1>(
            registry, name, &zwp_relative_pointer_manager_v1_interface, version, 1));
        watchRelativeMotion();
    } else if (interface == wl_seat_interface.name && !seat_) {
        seatName_ = name;
        seat_.reset(bind<wl_seat>(registry, name, &wl_seat_interface, version, seatVersion));
        wl_seat_add_listener(seat_.get(), &seatListener, this);
    } else if (interface == wl_output_interface.name) {
        addOutput(name, version);
    }
}

void WaylandConnection::addOutput(std::uint32_t name, std::uint32_t version) {
    auto output = std::make_unique<WaylandOutput>();
    output->globalName = name;
    output->output.reset(
        bind<wl_output>(registry_.get(), name, &wl_output_interface, version, outputVersion));
    wl_output_add_listener(output->output.get(), &outputListener, this);
    watchXdgOutput(*output);
    outputs_.push_back(std::move(output));
}

void WaylandConnection::watchXdgOutput(WaylandOutput& output) {
    if (!xdgOutputManager_ || output.xdgOutput)
        return;
    output.xdgOutput.reset(
        zxdg_output_manager_v1_get_xdg_output(xdgOutputManager_.get(), output.output.get()));
    zxdg_output_v1_add_listener(output.xdgOutput.get(), &xdgOutputListener, this);
}

void WaylandConnection::removeGlobal(std::uint32_t name) {
    if (seat_ && name == seatName_) {
        relativePointer_.reset();
        pointer_.reset();
        seat_.reset();
        pointerSurface_ = nullptr;
        return;
    }
    auto found = std::find_if(outputs_.begin(), outputs_.end(),
                              [name](const auto& output) { return output->globalName == name; });
    if (found == outputs_.end())
        return;
    // Taken out of the list first, so that the callback already sees the outputs that remain.
    auto removed = std::move(*found);
    outputs_.erase(found);
    if (outputRemoved)
        outputRemoved(*removed);
}

void WaylandConnection::seatCapabilities(std::uint32_t capabilities) {
    bool hasPointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
    if (hasPointer && !pointer_) {
        pointer_.reset(wl_seat_get_pointer(seat_.get()));
        wl_pointer_add_listener(pointer_.get(), &pointerListener, this);
        watchRelativeMotion();
    } else if (!hasPointer && pointer_) {
        relativePointer_.reset();
        pointer_.reset();
        pointerSurface_ = nullptr;
    }
}

void WaylandConnection::watchRelativeMotion() {
    if (!pointer_ || !relativePointerManager_ || relativePointer_)
        return;
    relativePointer_.reset(zwp_relative_pointer_manager_v1_get_relative_pointer(
        relativePointerManager_.get(), pointer_.get()));
    zwp_relative_pointer_v1_add_listener(relativePointer_.get(), &relativePointerListener, this);
}

void WaylandConnection::notifyChanged(const wl_output* output) {
    if (!outputChanged)
        return;
    for (const auto& known : outputs_)
        if (known->output.get() == output)
            outputChanged(*known);
}

}  // namespace sonaris::platform::desktop::wayland
