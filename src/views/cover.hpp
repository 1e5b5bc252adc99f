#pragma once

#include <string>

#include "platform/image/image.hpp"
#include "platform/ui/color.hpp"
#include "platform/ui/view.hpp"

namespace sonaris::views {

// The faint outline drawn over every card, button and cover of corner radius `radius`.
platform::ui::ViewNode CardBorder(double radius);

// The cover picture scaled to cover a `side`-point square, cut to rounded corners and outlined.
// Layouts add their own shadow, if any.
platform::ui::ViewNode CoverArt(const platform::image::Image& image, double side, double radius);

// The outlined square that stands where the cover would be when the entry carries none.
platform::ui::ViewNode CoverPlaceholderCard(platform::ui::ShapeStyle fill, double side,
                                            double radius);

// The ruby symbol set on a cover placeholder.
platform::ui::ViewNode CoverPlaceholderGlyph(std::string systemName, double fontSize);

}  // namespace sonaris::views
