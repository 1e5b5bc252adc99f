#pragma once

#include <cstdint>
#include <optional>

#include "platform/desktop/placement.hpp"

namespace sonaris::platform::desktop::wayland {

// A placement as the layer shell takes it: the edges the surface is anchored to (the protocol's
// anchor bits) and a margin, in surface-local points, on each anchored edge.
struct LayerGeometry {
    std::uint32_t anchorEdges = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int left = 0;

    bool operator==(const LayerGeometry&) const = default;
};

LayerGeometry layerGeometryFor(const Placement& placement);

// The margins kept within an output of `output` logical units, so that a margin beyond it leaves
// the widget at the output's far edge instead of off screen, where the compositor would still
// place it. An output of unknown size (zero) leaves them as they are.
LayerGeometry keptOnOutput(LayerGeometry geometry, ui::Size widget, ui::Size output);

// How a picture is drawn for the surface: at `scale` pixels per point, and handed over either with
// an integer buffer scale or, for a fractional one, at buffer scale 1 through a viewport whose
// destination is the size in points.
struct DrawingScale {
    double scale = 1;
    int bufferScale = 1;
    bool viewport = false;

    bool operator==(const DrawingScale&) const = default;
};

// `requested` (the command line's) wins; then the compositor's preferred fractional scale (in
// 120ths); then the integer scale of the outputs the surface is on. Without a viewporter a
// fractional scale is drawn at the next integer, which the compositor scales down.
DrawingScale drawingScaleFor(std::optional<double> requested,
                             std::optional<std::uint32_t> preferred120ths, int outputScale,
                             bool hasViewporter);

}  // namespace sonaris::platform::desktop::wayland
