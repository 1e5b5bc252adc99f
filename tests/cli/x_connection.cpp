#include "cli/x_connection.hpp"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>

#include <thread>

namespace sonaris::testing {

XConnection::XConnection(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
    // Xlib's default handler ends the process; a request the server refuses shows in the test.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

int XConnection::depth(XWindow window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, window, &attributes) ? attributes.depth : 0;
}

bool XConnection::shapeHolds(XWindow window, int kind, int x, int y) {
    int count = 0;
    int ordering = 0;
    XRectangle* rectangles = XShapeGetRectangles(display_, window, kind, &count, &ordering);
    bool holds = false;
    for (int i = 0; i < count; ++i) {
        const auto& r = rectangles[i];
        holds = holds || (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height);
    }
    if (rectangles)
        XFree(rectangles);
    return holds;
}

void XConnection::addMonitors(
    const std::vector<std::tuple<std::string, int, int, int, int>>& monitors) {
    Window root = DefaultRootWindow(display_);
    bool first = true;
    for (const auto& [name, x, y, width, height] : monitors) {
        XRRMonitorInfo* monitor = XRRAllocateMonitor(display_, 0);
        monitor->name = XInternAtom(display_, name.c_str(), False);
        monitor->primary = first;
        monitor->x = x;
        monitor->y = y;
        monitor->width = width;
        monitor->height = height;
        monitor->mwidth = width / 4;
        monitor->mheight = height / 4;
        XRRSetMonitor(display_, root, monitor);
        XRRFreeMonitors(monitor);
        first = false;
    }
    XSync(display_, False);
}

void XConnection::unplug(const std::string& monitor, int screenWidth, int screenHeight) {
    Window root = DefaultRootWindow(display_);
    XRRDeleteMonitor(display_, root, XInternAtom(display_, monitor.c_str(), False));
    XRRScreenResources* resources = XRRGetScreenResources(display_, root);
    for (int i = 0; resources && i < resources->ncrtc; ++i)
        XRRSetCrtcConfig(display_, resources, resources->crtcs[i], CurrentTime, 0, 0, None,
                         RR_Rotate_0, nullptr, 0);
    if (resources)
        XRRFreeScreenResources(resources);
    XRRSetScreenSize(display_, root, screenWidth, screenHeight, screenWidth / 4, screenHeight / 4);
    XSync(display_, False);
}

void XConnection::claimCompositing() {
    compositor_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display_, XInternAtom(display_, "_NET_WM_CM_S0", False), compositor_,
                       CurrentTime);
    XSync(display_, False);
}

void XConnection::releaseCompositing() {
    if (compositor_)
        XDestroyWindow(display_, compositor_);
    compositor_ = 0;
    XSync(display_, False);
}

void XConnection::dropWindowRequests() {
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureRedirectMask);
    XSync(display_, False);
}

void XConnection::leaveWindowRequests() {
    Window root = DefaultRootWindow(display_);
    XSelectInput(display_, root, NoEventMask);
    long none = 0;
    XChangeProperty(display_, root, XInternAtom(display_, "_NET_ACTIVE_WINDOW", False), XA_WINDOW,
                    32, PropModeReplace, reinterpret_cast<unsigned char*>(&none), 1);
    XSync(display_, False);
}

std::optional<bool> XConnection::inputHint(XWindow window) {
    XWMHints* hints = XGetWMHints(display_, window);
    if (!hints)
        return std::nullopt;
    std::optional<bool> input;
    if (hints->flags & InputHint)
        input = hints->input != False;
    XFree(hints);
    return input;
}

void XConnection::sendDeleteWindow(XWindow window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XSync(display_, False);
}

XConnection::~XConnection() {
    if (display_)
        XCloseDisplay(display_);
}

std::optional<XWindow> XConnection::waitForWindow(const std::string& title,
                                                  std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (auto window = find(DefaultRootWindow(display_), title, 0)) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display_, *window, &attributes) &&
                attributes.map_state == IsViewable)
                return window;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

std::pair<int, int> XConnection::size(XWindow window) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, window, &attributes))
        return {0, 0};
    return {attributes.width, attributes.height};
}

std::pair<int, int> XConnection::origin(XWindow window) {
    int x = 0;
    int y = 0;
    Window child;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
    return {x, y};
}

std::vector<std::string> XConnection::atomList(XWindow window, const char* property) {
    Atom type;
    int format;
    unsigned long count;
    unsigned long remaining;
    unsigned char* data = nullptr;
    std::vector<std::string> names;
    if (XGetWindowProperty(display_, window, XInternAtom(display_, property, False), 0, 64, False,
                           XA_ATOM, &type, &format, &count, &remaining, &data) == Success &&
        data) {
        auto* atoms = reinterpret_cast<Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) {
            char* name = XGetAtomName(display_, atoms[i]);
            names.push_back(name);
            XFree(name);
        }
        XFree(data);
    }
    return names;
}

std::string XConnection::pixels(XWindow window) {
    auto [width, height] = size(window);
    XImage* image = XGetImage(display_, window, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image)
        return {};
    std::string bytes(image->data, static_cast<std::size_t>(image->bytes_per_line) * height);
    XDestroyImage(image);
    return bytes;
}

std::optional<XWindow> XConnection::find(XWindow at, const std::string& title, int depth) {
    char* name = nullptr;
    if (XFetchName(display_, at, &name) && name) {
        bool match = title == name;
        XFree(name);
        if (match)
            return at;
    }
    if (depth > 2)
        return std::nullopt;
    Window root;
    Window parent;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, at, &root, &parent, &children, &count))
        return std::nullopt;
    std::optional<XWindow> found;
    for (unsigned int i = 0; i < count && !found; ++i)
        found = find(children[i], title, depth + 1);
    if (children)
        XFree(children);
    return found;
}

}  // namespace sonaris::testing
