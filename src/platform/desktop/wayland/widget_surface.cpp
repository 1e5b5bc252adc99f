#include "platform/desktop/wayland/widget_surface.hpp"

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/desktop/wayland/card_input_region.hpp"

namespace sonaris::platform::desktop::wayland {

namespace {

constexpr const char* layerNamespace = "sonaris-widget";

WidgetSurface& self(void* data) {
    return *static_cast<WidgetSurface*>(data);
}

int wholePoints(double value) {
    return std::max(1, static_cast<int>(std::lround(value)));
}

}  // namespace

const wl_surface_listener WidgetSurface::surfaceListener{
    +[](void* data, wl_surface*, wl_output* output) { self(data).entered_.push_back(output); },
    +[](void* data, wl_surface*, wl_output* output) { std::erase(self(data).entered_, output); },
};

const zwlr_layer_surface_v1_listener WidgetSurface::layerListener{
    +[](void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t,
        std::uint32_t) {
        // The size is the widget's own, asked for with set_size; the compositor never picks one.
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        auto& surface = self(data);
        surface.configured_ = true;
        // A configure after the first needs a commit too, but the picture shown is still right.
        if (surface.presentedScale_)
            wl_surface_commit(surface.surface_.get());
    },
    +[](void* data, zwlr_layer_surface_v1*) { self(data).closed_ = true; },
};

const wp_fractional_scale_v1_listener WidgetSurface::fractionalListener{
    +[](void* data, wp_fractional_scale_v1*, std::uint32_t scale) {
        self(data).preferred120ths_ = scale;
    },
};

const wl_callback_listener WidgetSurface::frameListener{
    +[](void* data, wl_callback*, std::uint32_t) { self(data).frame_.reset(); },
};

WidgetSurface::WidgetSurface(WaylandConnection& connection, const Options& options,
                             wl_output* output)
    : connection_(connection), options_(options), output_(output) {
    surface_.reset(wl_compositor_create_surface(connection.compositor()));
    wl_surface_add_listener(surface_.get(), &surfaceListener, this);
    if (connection.fractionalScale()) {
        fractional_.reset(wp_fractional_scale_manager_v1_get_fractional_scale(
            connection.fractionalScale(), surface_.get()));
        wp_fractional_scale_v1_add_listener(fractional_.get(), &fractionalListener, this);
    }
    layer_.reset(zwlr_layer_shell_v1_get_layer_surface(connection.layerShell(), surface_.get(),
                                                       output, ZWLR_LAYER_SHELL_V1_LAYER_BOTTOM,
                                                       layerNamespace));
    zwlr_layer_surface_v1_add_listener(layer_.get(), &layerListener, this);

    int width = wholePoints(options.points.width);
    int height = wholePoints(options.points.height);
    zwlr_layer_surface_v1_set_size(layer_.get(), width, height);
    setPlacement(options.placement);
    // Zero: panels' zones are kept clear of the widget, and it reserves none of its own.
    zwlr_layer_surface_v1_set_exclusive_zone(layer_.get(), 0);
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        layer_.get(), ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);

    // Clicks on the transparent corners go to whatever lies below.
    WaylandPtr<wl_region> region(wl_compositor_create_region(connection.compositor()));
    for (const auto& rect : cardInputRects({double(width), double(height)}))
        wl_region_add(region.get(), rect.x, rect.y, rect.width, rect.height);
    wl_surface_set_input_region(surface_.get(), region.get());
    wl_surface_commit(surface_.get());
}

const WaylandOutput* WidgetSurface::shownOn() const {
    // The compositor's choice of output is most likely its first.
    const WaylandOutput* on = connection_.outputFor(output_);
    if (!on && !connection_.outputs().empty())
        on = connection_.outputs().front().get();
    return on;
}

void WidgetSurface::setPlacement(const Placement& placement) {
    options_.placement = placement;
    const WaylandOutput* on = shownOn();
    auto geometry = keptOnOutput(
        layerGeometryFor(placement),
        {double(wholePoints(options_.points.width)), double(wholePoints(options_.points.height))},
        on ? on->logicalSize() : ui::Size{});
    zwlr_layer_surface_v1_set_anchor(layer_.get(), geometry.anchorEdges);
    zwlr_layer_surface_v1_set_margin(layer_.get(), geometry.top, geometry.right, geometry.bottom,
                                     geometry.left);
}

void WidgetSurface::place(const Placement& placement) {
    setPlacement(placement);
    // Paced by the compositor's frames: the next move waits until this one has been shown. A
    // compositor may answer no frame callback for a commit without new content (KWin 5.27), so
    // the picture shown goes along again.
    if (!frame_) {
        frame_.reset(wl_surface_frame(surface_.get()));
        wl_callback_add_listener(frame_.get(), &frameListener, this);
    }
    if (shown_) {
        wl_surface_attach(surface_.get(), shown_->buffer(), 0, 0);
        wl_surface_damage_buffer(surface_.get(), 0, 0, INT32_MAX, INT32_MAX);
        shown_->reattached();
    }
    wl_surface_commit(surface_.get());
}

std::optional<ui::Rect> WidgetSurface::rectOnOutput() const {
    const WaylandOutput* on = shownOn();
    ui::Size output = on ? on->logicalSize() : ui::Size{};
    if (!(output.width > 0 && output.height > 0))
        return std::nullopt;
    ui::Size widget{double(wholePoints(options_.points.width)),
                    double(wholePoints(options_.points.height))};
    auto geometry = keptOnOutput(layerGeometryFor(options_.placement), widget, output);
    // The placement as the compositor applies it, margins kept on the output included.
    double x = (output.width - widget.width) / 2;
    double y = (output.height - widget.height) / 2;
    bool left = geometry.anchorEdges & ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT;
    bool right = geometry.anchorEdges & ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;
    bool top = geometry.anchorEdges & ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP;
    bool bottom = geometry.anchorEdges & ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM;
    if (left && !right)
        x = geometry.left;
    else if (right && !left)
        x = output.width - widget.width - geometry.right;
    if (top && !bottom)
        y = geometry.top;
    else if (bottom && !top)
        y = output.height - widget.height - geometry.bottom;
    return ui::Rect{x, y, widget.width, widget.height};
}

WidgetSurface::~WidgetSurface() {
    frame_.reset();
    layer_.reset();
    fractional_.reset();
    viewport_.reset();
    surface_.reset();
}

DrawingScale WidgetSurface::drawingScale() const {
    std::vector<const WaylandOutput*> outputs;
    for (const wl_output* output : entered_)
        if (const auto* known = connection_.outputFor(output))
            outputs.push_back(known);
    // Before the surface is shown on an output, the one it was put on tells the scale.
    if (outputs.empty()) {
        if (const auto* known = connection_.outputFor(output_))
            outputs.push_back(known);
        else if (!connection_.outputs().empty())
            outputs.push_back(connection_.outputs().front().get());
    }
    int outputScale = 1;
    std::optional<std::uint32_t> preferred = preferred120ths_;
    for (const auto* output : outputs) {
        outputScale = std::max(outputScale, output->scale);
        // Without the fractional-scale protocol the compositor still shows its scale through
        // the outputs' sizes.
        if (!connection_.fractionalScale())
            if (auto implied = output->impliedScale120ths())
                preferred = std::max(preferred.value_or(0), *implied);
    }
    return drawingScaleFor(options_.requestedScale, preferred, outputScale,
                           connection_.viewporter() != nullptr);
}

void WidgetSurface::forgetOutput(const wl_output* output) {
    std::erase(entered_, output);
    if (output == output_)
        output_ = nullptr;
}

ShmBuffer* WidgetSurface::bufferFor(int width, int height) {
    // Buffers of an old size go once the compositor is done with them.
    std::erase_if(buffers_, [&](const auto& buffer) {
        bool gone = !buffer->busy() && (buffer->width() != width || buffer->height() != height);
        if (gone && buffer.get() == shown_)
            shown_ = nullptr;
        return gone;
    });
    for (const auto& buffer : buffers_)
        if (!buffer->busy() && buffer->width() == width && buffer->height() == height)
            return buffer.get();
    auto made = ShmBuffer::create(connection_.shm(), width, height);
    if (!made)
        return nullptr;
    buffers_.push_back(std::move(made));
    return buffers_.back().get();
}

void WidgetSurface::present(const render::Raster& raster, const DrawingScale& scale) {
    ShmBuffer* buffer = bufferFor(raster.width, raster.height);
    if (!buffer)
        return;
    buffer->fill(raster);
    // A buffer scale must divide the buffer's size; a widget of fractional points is handed over
    // through the viewport instead, where there is one.
    bool whole = raster.width % scale.bufferScale == 0 && raster.height % scale.bufferScale == 0;
    if (scale.viewport || (!whole && connection_.viewporter())) {
        if (!viewport_)
            viewport_.reset(wp_viewporter_get_viewport(connection_.viewporter(), surface_.get()));
        wp_viewport_set_destination(viewport_.get(), wholePoints(options_.points.width),
                                    wholePoints(options_.points.height));
        wl_surface_set_buffer_scale(surface_.get(), 1);
    } else {
        if (viewport_)
            wp_viewport_set_destination(viewport_.get(), -1, -1);
        wl_surface_set_buffer_scale(surface_.get(), scale.bufferScale);
    }
    wl_surface_attach(surface_.get(), buffer->buffer(), 0, 0);
    wl_surface_damage_buffer(surface_.get(), 0, 0, INT32_MAX, INT32_MAX);
    frame_.reset(wl_surface_frame(surface_.get()));
    wl_callback_add_listener(frame_.get(), &frameListener, this);
    wl_surface_commit(surface_.get());
    shown_ = buffer;
    presentedScale_ = scale;
}

}  // namespace sonaris::platform::desktop::wayland
