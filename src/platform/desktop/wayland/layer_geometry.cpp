#include "platform/desktop/wayland/layer_geometry.hpp"

#include <algorithm>
#include <cmath>

#include "platform/desktop/wayland/wayland_protocols.hpp"

namespace sonaris::platform::desktop::wayland {

namespace {

constexpr std::uint32_t edgeTop = ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP;
constexpr std::uint32_t edgeBottom = ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM;
constexpr std::uint32_t edgeLeft = ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT;
constexpr std::uint32_t edgeRight = ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;

std::uint32_t edgesOf(Anchor anchor) {
    switch (anchor) {
        case Anchor::topLeft:
            return edgeTop | edgeLeft;
        case Anchor::top:
            return edgeTop;
        case Anchor::topRight:
            return edgeTop | edgeRight;
        case Anchor::left:
            return edgeLeft;
        case Anchor::center:
            return 0;
        case Anchor::right:
            return edgeRight;
        case Anchor::bottomLeft:
            return edgeBottom | edgeLeft;
        case Anchor::bottom:
            return edgeBottom;
        case Anchor::bottomRight:
            return edgeBottom | edgeRight;
    }
    return 0;
}

int clampedPoints(double value) {
    if (!std::isfinite(value))
        return 0;
    return static_cast<int>(std::lround(std::clamp(value, -100000.0, 100000.0)));
}

}  // namespace

LayerGeometry layerGeometryFor(const Placement& placement) {
    LayerGeometry geometry;
    geometry.anchorEdges = edgesOf(placement.anchor);
    int x = clampedPoints(placement.margin.x);
    int y = clampedPoints(placement.margin.y);
    // The compositor ignores a margin on an edge the surface is not anchored to, but a centred
    // axis must not carry one either way.
    if (geometry.anchorEdges & edgeLeft)
        geometry.left = x;
    if (geometry.anchorEdges & edgeRight)
        geometry.right = x;
    if (geometry.anchorEdges & edgeTop)
        geometry.top = y;
    if (geometry.anchorEdges & edgeBottom)
        geometry.bottom = y;
    return geometry;
}

LayerGeometry keptOnOutput(LayerGeometry geometry, ui::Size widget, ui::Size output) {
    auto keep = [](int& margin, double extent, double size) {
        if (!(extent > 0))
            return;
        int room = std::max(0, static_cast<int>(std::floor(extent - size)));
        margin = std::clamp(margin, 0, room);
    };
    keep(geometry.left, output.width, widget.width);
    keep(geometry.right, output.width, widget.width);
    keep(geometry.top, output.height, widget.height);
    keep(geometry.bottom, output.height, widget.height);
    return geometry;
}

DrawingScale drawingScaleFor(std::optional<double> requested,
                             std::optional<std::uint32_t> preferred120ths, int outputScale,
                             bool hasViewporter) {
    double scale = std::max(outputScale, 1);
    if (requested && std::isfinite(*requested) && *requested > 0)
        scale = std::min(*requested, 16.0);
    else if (preferred120ths && *preferred120ths > 0)
        scale = *preferred120ths / 120.0;
    double whole = std::round(scale);
    if (whole >= 1 && std::abs(scale - whole) < 1e-6)
        return {whole, static_cast<int>(whole), false};
    if (hasViewporter)
        return {scale, 1, true};
    double up = std::max(1.0, std::ceil(scale));
    return {up, static_cast<int>(up), false};
}

}  // namespace sonaris::platform::desktop::wayland
