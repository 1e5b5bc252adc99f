#include "platform/desktop/x11/x11_window.hpp"

#include <X11/Xatom.h>
#include <X11/cursorfont.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/desktop/x11/card_shape.hpp"
#include "platform/desktop/x11/desktop_hints.hpp"
#include "platform/desktop/x11/image_presenter.hpp"
#include "platform/desktop/x11/monitors.hpp"

namespace sonaris::platform::desktop::x11 {

namespace {

// Xlib's own handler ends the program on any error; those the widget can meet (a selection
// owner gone between two requests, a monitor unplugged mid-query) leave it able to go on.
int ignoreError(Display*, XErrorEvent*) {
    return 0;
}

// The Motif hints every common window manager reads for "no decorations".
struct MotifHints {
    unsigned long flags = 2;  // decorations given
    unsigned long functions = 0;
    unsigned long decorations = 0;
    long inputMode = 0;
    unsigned long status = 0;
};

}  // namespace

std::variant<std::unique_ptr<X11Window>, std::string> X11Window::open(
    const WindowOptions& options) {
    std::unique_ptr<X11Window> live(new X11Window());
    live->xlib_ = XlibLibrary::load();
    if (!live->xlib_)
        return std::string("cannot load the X11 library (libX11.so.6)");
    const XlibLibrary& xlib = *live->xlib_;
    const char* name = std::getenv("DISPLAY");
    live->display_ = xlib.openDisplay(name);
    if (!live->display_)
        return "cannot open the display " + std::string(name && *name ? name : "(DISPLAY unset)");
    xlib.setErrorHandler(ignoreError);
    live->xrandr_ = XrandrLibrary::load();
    live->xshape_ = XshapeLibrary::load();
    live->xfixes_ = XfixesLibrary::load();
    live->points_ = options.points;
    live->placement_ = options.placement;
    live->notify_ = options.notify;

    Display* display = live->display_;
    int screen = live->screen_ = DefaultScreen(display);
    Window root = RootWindow(display, screen);
    live->scale_ = options.scale ? *options.scale : desktopScale(xlib, display).value_or(1);
    live->width_ = std::max(1, static_cast<int>(std::lround(options.points.width * live->scale_)));
    live->height_ =
        std::max(1, static_cast<int>(std::lround(options.points.height * live->scale_)));

    // A 32-bit visual even while no compositor runs: one that starts later then shows the
    // corners transparent, with no new window.
    XVisualInfo argb{};
    Visual* visual = DefaultVisual(display, screen);
    live->depth_ = DefaultDepth(display, screen);
    if (xlib.matchVisualInfo(display, screen, 32, TrueColor, &argb)) {
        visual = argb.visual;
        live->depth_ = 32;
    }
    live->colormap_ = xlib.createColormap(display, root, visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = live->colormap_;
    attributes.border_pixel = 0;
    attributes.background_pixmap = None;
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            LeaveWindowMask | StructureNotifyMask;
    live->window_ = xlib.createWindow(
        display, root, 0, 0, static_cast<unsigned>(live->width_),
        static_cast<unsigned>(live->height_), 0, live->depth_, InputOutput, visual,
        CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask, &attributes);
    if (!live->window_)
        return std::string("cannot open a window");
    Window window = live->window_;

    auto atom = [&](const char* atomName) { return xlib.internAtom(display, atomName, False); };
    xlib.storeName(display, window, options.title.c_str());
    xlib.changeProperty(display, window, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8,
                        PropModeReplace,
                        reinterpret_cast<const unsigned char*>(options.title.data()),
                        static_cast<int>(options.title.size()));
    char className[] = "sonaris-widget";
    char classClass[] = "Sonaris-widget";
    XClassHint classHint{className, classClass};
    xlib.setClassHint(display, window, &classHint);
    // A click on the card leaves the focused application focused: no input hint and no
    // WM_TAKE_FOCUS, only WM_DELETE_WINDOW, the one way a window manager ends the widget.
    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = False;
    hints.initial_state = NormalState;
    xlib.setWMHints(display, window, &hints);
    live->protocols_ = atom("WM_PROTOCOLS");
    live->deleteWindow_ = atom("WM_DELETE_WINDOW");
    xlib.setWMProtocols(display, window, &live->deleteWindow_, 1);
    // A fixed size, and a position the window manager is to keep.
    XSizeHints size{};
    size.flags = PPosition | USPosition | PMinSize | PMaxSize;
    size.min_width = size.max_width = live->width_;
    size.min_height = size.max_height = live->height_;
    xlib.setWMNormalHints(display, window, &size);
    MotifHints motif;
    Atom motifAtom = atom("_MOTIF_WM_HINTS");
    xlib.changeProperty(display, window, motifAtom, motifAtom, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&motif), 5);
    Atom normal = atom("_NET_WM_WINDOW_TYPE_NORMAL");
    xlib.changeProperty(display, window, atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&normal), 1);
    long pid = static_cast<long>(::getpid());
    xlib.changeProperty(display, window, atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&pid), 1);
    markAsDesktopWidget(xlib, display, window, false);

    // Monitors that come and go: RandR tells of outputs and screens; monitor objects set or
    // deleted alone (xrandr --setmonitor) only show as a ConfigureNotify of the root window.
    // Property changes on the root tell of a window manager at work (see handle()).
    xlib.selectInput(display, root, StructureNotifyMask | PropertyChangeMask);
    int errorBase = 0;
    if (live->xrandr_ && live->xrandr_->queryExtension(display, &live->randrEventBase_, &errorBase))
        live->xrandr_->selectInput(
            display, root,
            RRScreenChangeNotifyMask | RROutputChangeNotifyMask | RRCrtcChangeNotifyMask);
    else
        live->randrEventBase_ = -1;
    // A compositor that starts or ends changes the owner of its selection.
    live->compositorSelection_ = atom(("_NET_WM_CM_S" + std::to_string(screen)).c_str());
    if (live->xfixes_ && live->xfixes_->queryExtension(display, &live->fixesEventBase_, &errorBase))
        live->xfixes_->selectSelectionInput(display, root, live->compositorSelection_,
                                            XFixesSetSelectionOwnerNotifyMask |
                                                XFixesSelectionWindowDestroyNotifyMask |
                                                XFixesSelectionClientCloseNotifyMask);
    else
        live->fixesEventBase_ = -1;

    live->transparent_ = live->depth_ == 32 && compositorRuns(xlib, display, screen);
    live->cutToCard();
    live->place(live->placement_);
    xlib.mapWindow(display, window);
    markAsDesktopWidget(xlib, display, window, true);
    xlib.flush(display);
    return live;
}

X11Window::~X11Window() {
    if (!display_)
        return;
    if (hand_ != None)
        xlib_->freeCursor(display_, hand_);
    if (pixmap_ != None)
        xlib_->freePixmap(display_, pixmap_);
    if (window_ != None)
        xlib_->destroyWindow(display_, window_);
    if (colormap_ != None)
        xlib_->freeColormap(display_, colormap_);
    xlib_->closeDisplay(display_);
}

int X11Window::fd() const {
    return xlib_->connectionNumber(display_);
}

short X11Window::pollEvents() {
    return POLLIN;
}

Prepared X11Window::prepare() {
    xlib_->flush(display_);
    // Events Xlib read while waiting for a reply are queued already and would not wake poll().
    if (xlib_->pending(display_) == 0)
        return Prepared::waiting;
    while (xlib_->pending(display_) > 0) {
        XEvent event;
        xlib_->nextEvent(display_, &event);
        handle(event);
    }
    return Prepared::dispatched;
}

bool X11Window::dispatch(short revents) {
    if (revents & (POLLERR | POLLHUP | POLLNVAL))
        return false;
    // XPending reads what arrived; a connection closed by the server ends the process in Xlib's
    // I/O error handler, as it would any X client.
    while (xlib_->pending(display_) > 0) {
        XEvent event;
        xlib_->nextEvent(display_, &event);
        handle(event);
    }
    return true;
}

std::string X11Window::failure() const {
    return "lost the connection to the X11 display";
}

ui::Point X11Window::toPoints(int x, int y) const {
    return {x * points_.width / width_, y * points_.height / height_};
}

void X11Window::handle(const XEvent& event) {
    auto pointer = [&](PointerEvent::Kind kind, int x, int y, int rootX, int rootY, bool primary) {
        if (callbacks_.pointer)
            callbacks_.pointer(
                {kind, toPoints(x, y), ui::Point{double(rootX), double(rootY)}, primary});
    };
    switch (event.type) {
        case ButtonPress:
        case ButtonRelease:
            // The wheel's buttons are no clicks.
            if (event.xbutton.window != window_ || event.xbutton.button > Button3)
                return;
            pointer(
                event.type == ButtonPress ? PointerEvent::Kind::press : PointerEvent::Kind::release,
                event.xbutton.x, event.xbutton.y, event.xbutton.x_root, event.xbutton.y_root,
                event.xbutton.button == Button1);
            return;
        case MotionNotify:
            pointer(PointerEvent::Kind::motion, event.xmotion.x, event.xmotion.y,
                    event.xmotion.x_root, event.xmotion.y_root, false);
            return;
        case LeaveNotify:
            if (callbacks_.pointer)
                callbacks_.pointer({PointerEvent::Kind::leave, {}, std::nullopt, false});
            return;
        case ClientMessage:
            if (event.xclient.message_type == protocols_ &&
                static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_ &&
                callbacks_.closeRequested)
                callbacks_.closeRequested();
            return;
        case MapNotify:
            if (event.xmap.window == window_ && !shownOnce_) {
                shownOnce_ = true;
                // The root's properties change with every focus change; shown, the widget need
                // not wake for them.
                xlib_->selectInput(display_, RootWindow(display_, screen_), StructureNotifyMask);
            }
            return;
        case PropertyNotify:
            // A window manager that started with the widget can drop the map request that came
            // while it was still setting up (openbox does), and the window would stay unmapped;
            // once the manager sets the root's properties it is at work, and a new request is
            // taken, and so is the move that was dropped with it. Once shown, a window the manager
            // hides (a "show desktop") stays hidden.
            if (!shownOnce_ && event.xproperty.window == RootWindow(display_, screen_)) {
                place(placement_);
                xlib_->mapWindow(display_, window_);
            }
            return;
        case ConfigureNotify:
            if (event.xconfigure.window == RootWindow(display_, screen_)) {
                place(placement_);
                if (callbacks_.outputsChanged)
                    callbacks_.outputsChanged();
            }
            return;
        default:
            break;
    }
    if (randrEventBase_ >= 0 && event.type >= randrEventBase_ &&
        event.type < randrEventBase_ + RRNumberEvents) {
        place(placement_);
        if (callbacks_.outputsChanged)
            callbacks_.outputsChanged();
    } else if (fixesEventBase_ >= 0 && event.type == fixesEventBase_ + XFixesSelectionNotify) {
        followCompositor();
    }
}

void X11Window::followCompositor() {
    bool transparent = depth_ == 32 && compositorRuns(*xlib_, display_, screen_);
    if (transparent == transparent_)
        return;
    transparent_ = transparent;
    cutToCard();
    xlib_->flush(display_);
}

void X11Window::cutToCard() {
    if (!xshape_)
        return;
    int eventBase = 0;
    int errorBase = 0;
    if (!xshape_->queryExtension(display_, &eventBase, &errorBase))
        return;
    // No rectangles at all would hide the window entirely.
    auto card = cardRectangles(points_, width_, height_);
    if (!card.empty())
        shapeToCard(*xshape_, display_, window_, card, !transparent_);
    // With a compositor the outline is the picture's own: the window is whole again, and the
    // corners' soft edge shows instead of the shape's steps.
    if (transparent_)
        xshape_->combineMask(display_, window_, ShapeBounding, 0, 0, None, ShapeSet);
}

void X11Window::place(const Placement& placement) {
    placement_ = placement;
    auto monitors = listMonitors(*xlib_, xrandr_.get(), display_);
    auto choice = chooseMonitor(monitors, placement_.output);
    if (!choice)
        return;
    auto origin =
        placedOrigin(placement_.anchor, placement_.margin, choice->monitor.area, points_, scale_);
    // A margin larger than the monitor leaves the widget at its far edge rather than off
    // screen, where nothing could bring it back.
    const ui::Rect& area = choice->monitor.area;
    auto keptOn = [](double start, double at, double size, double extent) {
        return size <= extent ? std::clamp(at, start, start + extent - size) : at;
    };
    origin = {keptOn(area.x, origin.x, width_, area.width),
              keptOn(area.y, origin.y, height_, area.height)};
    xlib_->moveWindow(display_, window_, static_cast<int>(std::lround(origin.x)),
                      static_cast<int>(std::lround(origin.y)));

    bool missing = placement_.output && !choice->named;
    if (missing && !reportedMissingOutput_ && notify_) {
        std::string shown =
            choice->monitor.name.empty() ? "the screen" : "'" + choice->monitor.name + "'";
        notify_("no monitor named '" + *placement_.output + "' (there are: " +
                monitorNames(monitors) + "); the widget is on " + shown + " instead");
    }
    reportedMissingOutput_ = missing;
}

void X11Window::present(render::Raster raster) {
    if (raster.width <= 0 || raster.height <= 0)
        return;
    // The picture is kept by the server as the window's background: it repaints exposed parts
    // itself, and the widget holds no copy between draws.
    Pixmap pixmap =
        xlib_->createPixmap(display_, window_, static_cast<unsigned>(raster.width),
                            static_cast<unsigned>(raster.height), static_cast<unsigned>(depth_));
    GC gc = xlib_->createGC(display_, pixmap, 0, nullptr);
    putRaster(*xlib_, display_, pixmap, gc, depth_, raster);
    xlib_->freeGC(display_, gc);
    xlib_->setWindowBackgroundPixmap(display_, window_, pixmap);
    xlib_->clearWindow(display_, window_);
    if (pixmap_ != None)
        xlib_->freePixmap(display_, pixmap_);
    pixmap_ = pixmap;
    xlib_->flush(display_);
}

std::optional<ui::Rect> X11Window::extents() const {
    int x = 0;
    int y = 0;
    Window child = None;
    if (!xlib_->translateCoordinates(display_, window_, RootWindow(display_, screen_), 0, 0, &x, &y,
                                     &child))
        return std::nullopt;
    return ui::Rect{double(x), double(y), double(width_), double(height_)};
}

std::optional<WindowGeometry> X11Window::geometry() const {
    auto window = extents();
    auto monitors = listMonitors(*xlib_, xrandr_.get(), display_);
    auto choice = chooseMonitor(monitors, placement_.output);
    if (!window || !choice)
        return std::nullopt;
    std::optional<std::string> name;
    if (!choice->monitor.name.empty())
        name = choice->monitor.name;
    return WindowGeometry{*window, choice->monitor.area, scale_, name};
}

void X11Window::setCursor(Cursor cursor) {
    if (cursor == Cursor::hand && hand_ == None)
        hand_ = xlib_->createFontCursor(display_, XC_hand2);
    xlib_->defineCursor(display_, window_, cursor == Cursor::hand ? hand_ : None);
    xlib_->flush(display_);
}

}  // namespace sonaris::platform::desktop::x11
