#include "desktops/desktop.hpp"

#include "desktops/kwin_desktop.hpp"
#include "desktops/mutter_desktop.hpp"
#include "desktops/x_desktop.hpp"

namespace sonaris::testing {

std::string nameOf(DesktopKind kind) {
    switch (kind) {
        case DesktopKind::kwin:
            return "KWin";
        case DesktopKind::mutter:
            return "Mutter";
        case DesktopKind::mutterX11:
            return "MutterX11";
        case DesktopKind::openbox:
            return "Openbox";
    }
    return "";
}

std::optional<Picture> Desktop::widgetPicture() {
    auto box = widgetBox();
    auto shot = screenshot();
    if (!box || !shot || box->x < 0 || box->y < 0 || box->x + box->width > shot->width ||
        box->y + box->height > shot->height)
        return std::nullopt;
    Picture picture{box->width, box->height, {}};
    for (int y = box->y; y < box->y + box->height; ++y)
        for (int x = box->x; x < box->x + box->width; ++x)
            picture.pixels.push_back(shot->at(x, y));
    return picture;
}

void PrintTo(const Box& box, std::ostream* out) {
    *out << box.width << "x" << box.height << " at " << box.x << "," << box.y;
}

void PrintTo(DesktopKind kind, std::ostream* out) {
    *out << nameOf(kind);
}

namespace {

std::variant<std::unique_ptr<Desktop>, std::string> startOnce(DesktopKind kind, int width,
                                                              int height) {
    switch (kind) {
        case DesktopKind::kwin:
            return KWinDesktop::start(width, height);
        case DesktopKind::mutter:
            return MutterDesktop::start(width, height, true);
        case DesktopKind::mutterX11:
        case DesktopKind::openbox:
            return XDesktop::start(kind, width, height);
    }
    return std::string("unknown desktop");
}

}  // namespace

std::variant<std::unique_ptr<Desktop>, std::string> startDesktop(DesktopKind kind, int width,
                                                                 int height) {
    // A second try: on a loaded machine a window manager now and then misses its new X server.
    auto started = startOnce(kind, width, height);
    if (std::holds_alternative<std::string>(started))
        started = startOnce(kind, width, height);
    return started;
}

}  // namespace sonaris::testing
