#include <algorithm>
#include <cmath>

#include "platform/render/blur.hpp"
#include "platform/render/painter.hpp"
#include "platform/render/pixel_geometry.hpp"

namespace sonaris::platform::render {

namespace {

// The scale a modifier layer is drawn at: each blur outside it may draw its content on
// coarser pixels, as the painter does.
double scaleInside(const ui::ViewNode& node, std::size_t firstOuterModifier, double scale) {
    for (std::size_t i = node.modifiers.size(); i-- > firstOuterModifier;) {
        if (const auto* blur = std::get_if<ui::modifier::Blur>(&node.modifiers[i]);
            blur && std::isfinite(blur->radius) && blur->radius > 0)
            scale /= blurDownscaleFactor(blur->radius * scale);
    }
    return scale;
}

void collect(const ui::LaidOutView& view, double scale, std::vector<ImageDemand>& demand) {
    if (!view.node || view.layerFrames.empty())
        return;
    const ui::ViewNode& node = *view.node;
    const double contentScale = scaleInside(node, 0, scale);
    if (const auto* content = std::get_if<ui::content::Image>(&node.content);
        content && content->image) {
        // The painter decodes at exactly this size, so one decode serves every draw.
        const image::PixelSize size = drawnPixelSize(view.layerFrames.front(), contentScale);
        if (size.width > 0 && size.height > 0) {
            auto known = std::find_if(demand.begin(), demand.end(), [&](const ImageDemand& d) {
                return d.image.isSameImage(*content->image);
            });
            if (known == demand.end()) {
                demand.push_back({*content->image, size});
            } else {
                known->pixels.width = std::max(known->pixels.width, size.width);
                known->pixels.height = std::max(known->pixels.height, size.height);
            }
        }
    }
    for (const ui::LaidOutView& child : view.children)
        collect(child, contentScale, demand);
    for (std::size_t i = 0; i < view.modifierContent.size(); ++i)
        if (view.modifierContent[i])
            collect(*view.modifierContent[i], scaleInside(node, i + 1, scale), demand);
}

}  // namespace

std::vector<ImageDemand> imageDemand(const ui::LayoutResult& laidOut, double scale) {
    std::vector<ImageDemand> demand;
    if (std::isfinite(scale) && scale > 0)
        collect(laidOut.tree, scale, demand);
    return demand;
}

}  // namespace sonaris::platform::render
