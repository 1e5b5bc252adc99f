#include <algorithm>
#include <cmath>

#include "platform/render/painter.hpp"
#include "platform/render/pixel_geometry.hpp"

namespace sonaris::platform::render {

namespace {

void collect(const ui::LaidOutView& view, double scale, std::vector<ImageDemand>& demand) {
    if (!view.node || view.layerFrames.empty())
        return;
    if (const auto* content = std::get_if<ui::content::Image>(&view.node->content);
        content && content->image) {
        // The painter decodes at exactly this size, so one decode serves every draw.
        const image::PixelSize size = drawnPixelSize(view.layerFrames.front(), scale);
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
        collect(child, scale, demand);
    for (const auto& content : view.modifierContent)
        if (content)
            collect(*content, scale, demand);
}

}  // namespace

std::vector<ImageDemand> imageDemand(const ui::LayoutResult& laidOut, double scale) {
    std::vector<ImageDemand> demand;
    if (std::isfinite(scale) && scale > 0)
        collect(laidOut.tree, scale, demand);
    return demand;
}

}  // namespace sonaris::platform::render
