#include "views/cover.hpp"

#include <utility>

#include "platform/ui/views.hpp"
#include "views/palette.hpp"

namespace sonaris::views {

using namespace platform::ui;

ViewNode CardBorder(double radius) {
    return RoundedRectangle(radius).stroke(corvaCardBorder(), 1);
}

ViewNode CoverArt(const platform::image::Image& image, double side, double radius) {
    return Image(image)
        .resizable()
        .aspectRatio(std::nullopt, ContentMode::fill)
        .frame(side, side, Alignment::center())
        .clipShape(shapes::roundedRectangle(radius))
        .overlay(CardBorder(radius), Alignment::center());
}

ViewNode CoverPlaceholderCard(ShapeStyle fill, double side, double radius) {
    return RoundedRectangle(radius)
        .fill(std::move(fill))
        .frame(side, side, Alignment::center())
        .overlay(CardBorder(radius), Alignment::center());
}

ViewNode CoverPlaceholderGlyph(std::string systemName, double fontSize) {
    return Image(std::move(systemName)).font(Font::system(fontSize)).foregroundColor(corvaRuby());
}

}  // namespace sonaris::views
