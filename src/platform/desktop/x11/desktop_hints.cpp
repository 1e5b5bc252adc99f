#include "platform/desktop/x11/desktop_hints.hpp"

#include <X11/Xatom.h>

#include <charconv>
#include <string_view>

namespace sonaris::platform::desktop::x11 {

namespace {

// The value of `Xft.dpi` in the resource database text that desktops publish on the root window.
std::optional<double> xftDpi(std::string_view resources) {
    constexpr std::string_view key = "Xft.dpi:";
    while (!resources.empty()) {
        auto end = resources.find('\n');
        std::string_view line = resources.substr(0, end);
        resources = end == std::string_view::npos ? std::string_view() : resources.substr(end + 1);
        if (!line.starts_with(key))
            continue;
        line.remove_prefix(key.size());
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        double dpi = 0;
        auto [stop, error] = std::from_chars(line.data(), line.data() + line.size(), dpi);
        if (error == std::errc() && dpi > 0)
            return dpi;
    }
    return std::nullopt;
}

}  // namespace

std::optional<double> desktopScale(const XlibLibrary& xlib, Display* display) {
    const char* resources = xlib.resourceManagerString(display);
    if (!resources)
        return std::nullopt;
    auto dpi = xftDpi(resources);
    if (!dpi)
        return std::nullopt;
    // Beyond these the setting is more likely a mistake than a display.
    double scale = *dpi / 96;
    if (scale < 0.5 || scale > 8)
        return std::nullopt;
    return scale;
}

// Window managers disagree on the window types: many draw nothing above a _DESKTOP window and
// hide it behind the file manager's desktop, and some ignore _DOCK or reserve space for it. A
// normal window with the BELOW, STICKY, SKIP_TASKBAR and SKIP_PAGER states is what the common
// managers (Mutter, KWin, Xfwm, Openbox, i3) honour alike.
void markAsDesktopWidget(const XlibLibrary& xlib, Display* display, Window window, bool mapped) {
    auto atom = [&](const char* name) { return xlib.internAtom(display, name, False); };
    Atom state = atom("_NET_WM_STATE");
    Atom states[] = {atom("_NET_WM_STATE_BELOW"), atom("_NET_WM_STATE_STICKY"),
                     atom("_NET_WM_STATE_SKIP_TASKBAR"), atom("_NET_WM_STATE_SKIP_PAGER")};
    Atom desktop = atom("_NET_WM_DESKTOP");
    unsigned long everyDesktop = 0xFFFFFFFF;

    if (!mapped) {
        xlib.changeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(states), 4);
        xlib.changeProperty(display, window, desktop, XA_CARDINAL, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(&everyDesktop), 1);
        xlib.flush(display);
        return;
    }

    Window root = DefaultRootWindow(display);
    auto request = [&](Atom type, long a, long b, long c) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = type;
        event.xclient.format = 32;
        event.xclient.data.l[0] = a;
        event.xclient.data.l[1] = b;
        event.xclient.data.l[2] = c;
        event.xclient.data.l[3] = 1;  // from an application
        xlib.sendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask,
                       &event);
    };
    constexpr long add = 1;
    request(state, add, static_cast<long>(states[0]), static_cast<long>(states[1]));
    request(state, add, static_cast<long>(states[2]), static_cast<long>(states[3]));
    request(desktop, static_cast<long>(everyDesktop), 1, 0);
    xlib.flush(display);
}

}  // namespace sonaris::platform::desktop::x11
