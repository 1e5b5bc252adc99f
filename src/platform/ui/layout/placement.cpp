#include "platform/ui/layout/placement.hpp"

#include <algorithm>

namespace sonaris::platform::ui::layout_engine {

double alignedOffset(HorizontalAlignment alignment, double available, double length) {
    switch (alignment) {
        case HorizontalAlignment::leading:
            return 0;
        case HorizontalAlignment::center:
            return (available - length) / 2;
        case HorizontalAlignment::trailing:
            return available - length;
    }
    return 0;
}

double alignedOffset(VerticalAlignment alignment, double available, double length) {
    switch (alignment) {
        case VerticalAlignment::top:
            return 0;
        case VerticalAlignment::center:
            return (available - length) / 2;
        case VerticalAlignment::bottom:
            return available - length;
    }
    return 0;
}

Rect aligned(Rect bounds, Size size, Alignment alignment) {
    return {bounds.x + alignedOffset(alignment.horizontal, bounds.width, size.width),
            bounds.y + alignedOffset(alignment.vertical, bounds.height, size.height), size.width,
            size.height};
}

Rect unionRect(const Rect& a, const Rect& b) {
    const double minX = std::min(a.minX(), b.minX());
    const double minY = std::min(a.minY(), b.minY());
    return {minX, minY, std::max(a.maxX(), b.maxX()) - minX, std::max(a.maxY(), b.maxY()) - minY};
}

}  // namespace sonaris::platform::ui::layout_engine
