#include "platform/desktop/x11/card_shape.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/render/desktop_card.hpp"

namespace sonaris::platform::desktop::x11 {

bool compositorRuns(const XlibLibrary& xlib, Display* display, int screen) {
    std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    Atom selection = xlib.internAtom(display, name.c_str(), False);
    return selection != None && xlib.getSelectionOwner(display, selection) != None;
}

std::optional<VisualID> argbVisual(const XlibLibrary& xlib, Display* display, int screen) {
    XVisualInfo info{};
    if (!xlib.matchVisualInfo(display, screen, 32, TrueColor, &info))
        return std::nullopt;
    return info.visualid;
}

std::vector<XRectangle> cardRectangles(ui::Size points, int width, int height) {
    std::vector<XRectangle> bands;
    if (width <= 0 || height <= 0 || points.width <= 0 || width > 32767 || height > 32767)
        return bands;
    // The card exactly as the picture is cut to it: an opaque raster, clipped, then each row
    // from its first pixel that is more than half covered.
    render::Raster card{width, height, width * 4,
                        std::vector<std::uint8_t>(std::size_t(width) * height * 4, 0xFF)};
    render::clipToDesktopCard(card, width / points.width);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = card.pixels.data() + std::size_t(y) * card.stride;
        // Alpha is the high byte of each native-endian 32-bit pixel; the card is symmetric.
        auto covered = [&](int x) {
            std::uint32_t pixel;
            std::memcpy(&pixel, row + std::size_t(x) * 4, 4);
            return (pixel >> 24) >= 128;
        };
        int left = 0;
        while (left < width && !covered(left))
            ++left;
        if (left >= width)
            continue;
        auto rowWidth = static_cast<unsigned short>(std::max(1, width - 2 * left));
        if (!bands.empty() && bands.back().x == left && bands.back().width == rowWidth &&
            bands.back().y + bands.back().height == y) {
            ++bands.back().height;
            continue;
        }
        bands.push_back({static_cast<short>(left), static_cast<short>(y), rowWidth, 1});
    }
    return bands;
}

void shapeToCard(const XshapeLibrary& xshape, Display* display, Window window,
                 const std::vector<XRectangle>& card, bool bounding) {
    int eventBase = 0;
    int errorBase = 0;
    if (!xshape.queryExtension(display, &eventBase, &errorBase))
        return;
    // The rectangles are the caller's; Xlib only reads them.
    auto* rectangles = const_cast<XRectangle*>(card.data());
    auto count = static_cast<int>(card.size());
    xshape.combineRectangles(display, window, ShapeInput, 0, 0, rectangles, count, ShapeSet,
                             YXBanded);
    if (bounding)
        xshape.combineRectangles(display, window, ShapeBounding, 0, 0, rectangles, count, ShapeSet,
                                 YXBanded);
}

}  // namespace sonaris::platform::desktop::x11
