#include "views/controls.hpp"

#include <utility>

#include "views/cover.hpp"
#include "views/palette.hpp"

namespace sonaris::views {

using namespace platform::ui;

ViewNode StatusDot(Color fill, double side) {
    return Circle().fill(fill).frame(side, side, Alignment::center());
}

ViewNode IconButton(std::string systemName, double fontSize, double width, Color background) {
    return Image(std::move(systemName))
        .font(Font::system(fontSize))
        .foregroundColor(Color::white())
        .frame(width, 24, Alignment::center())
        .background(ColorView(background))
        .clipShape(shapes::roundedRectangle(6));
}

ViewNode TransportButton(ViewNode first, ViewNode second, Color background) {
    // The colour is set on the whole stack so the symbol and the text take it alike.
    return HStack(VerticalAlignment::center, std::nullopt, {std::move(first), std::move(second)})
        .foregroundColor(Color::white())
        .frame(modifier::FlexFrame{
            .maxWidth = infinity, .minHeight = 30, .alignment = Alignment::center()})
        .background(ColorView(background))
        .clipShape(shapes::roundedRectangle(8));
}

ViewNode ToolButton(ViewNode icon, const LocalizedStringKey& label) {
    return VStack(HorizontalAlignment::center, 4,
                  {
                      std::move(icon),
                      Text(label)
                          .font(Font::system(10, FontWeight::semibold))
                          .foregroundColor(Color::white()),
                  })
        .frame(modifier::FlexFrame{
            .maxWidth = infinity, .minHeight = 46, .alignment = Alignment::center()})
        .background(ColorView(corvaCardBg()))
        .clipShape(shapes::roundedRectangle(8))
        .overlay(CardBorder(8), Alignment::center());
}

}  // namespace sonaris::views
