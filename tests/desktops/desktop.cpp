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

std::variant<std::unique_ptr<Desktop>, std::string> startDesktop(DesktopKind kind, int width,
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

}  // namespace sonaris::testing
