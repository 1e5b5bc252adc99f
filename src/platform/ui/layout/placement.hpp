#pragma once

#include "platform/ui/geometry.hpp"

namespace sonaris::platform::ui::layout_engine {

// Where a child of `size` stands inside `bounds` for an alignment; a child larger than the
// bounds overhangs both sides equally when centred.
double alignedOffset(HorizontalAlignment alignment, double available, double length);
double alignedOffset(VerticalAlignment alignment, double available, double length);
Rect aligned(Rect bounds, Size size, Alignment alignment);

Rect unionRect(const Rect& a, const Rect& b);

}  // namespace sonaris::platform::ui::layout_engine
