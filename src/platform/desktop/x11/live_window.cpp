#include "platform/desktop/x11/live_window.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/desktop/x11/card_shape.hpp"
#include "platform/desktop/x11/desktop_hints.hpp"
#include "platform/desktop/x11/extension_libraries.hpp"
#include "platform/desktop/x11/image_presenter.hpp"
#include "platform/desktop/x11/monitors.hpp"
#include "platform/desktop/x11/xlib_library.hpp"
#include "platform/render/desktop_card.hpp"

namespace sonaris::platform::desktop::x11 {

namespace {

std::string sdlError(const SdlLibrary& sdl, std::string_view what) {
    return std::string(what) + ": " + sdl.getError();
}

// With a compositor, the window takes a visual with alpha so that the card's corners show the
// desktop; SDL is told which before it creates the window. Asked on a connection of its own,
// since SDL's does not exist yet.
bool chooseTransparentVisual(const SdlLibrary& sdl, const XlibLibrary& xlib) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name)
        return false;
    std::unique_ptr<Display, decltype(xlib.closeDisplay)> display(xlib.openDisplay(name),
                                                                  xlib.closeDisplay);
    if (!display)
        return false;
    int screen = DefaultScreen(display.get());
    if (!compositorRuns(xlib, display.get(), screen))
        return false;
    auto visual = argbVisual(xlib, display.get(), screen);
    if (!visual)
        return false;
    sdl.setHint(SDL_HINT_VIDEO_X11_WINDOW_VISUALID, std::to_string(*visual).c_str());
    return true;
}

}  // namespace

std::variant<std::unique_ptr<LiveWindow>, std::string> LiveWindow::open(const Options& options) {
    auto loaded = SdlLibrary::load();
    if (auto* reason = std::get_if<std::string>(&loaded))
        return std::move(*reason);
    std::unique_ptr<LiveWindow> live(new LiveWindow());
    live->sdl_ = std::move(std::get<std::unique_ptr<SdlLibrary>>(loaded));
    live->xlib_ = XlibLibrary::load();
    live->xrandr_ = XrandrLibrary::load();
    live->xshape_ = XshapeLibrary::load();
    live->placement_ = options.placement;
    live->notify_ = options.notify;
    const SdlLibrary& sdl = *live->sdl_;

    // Signals are the runtime's to handle; a widget must not keep the screen saver away; and a
    // compositor should keep compositing around it.
    sdl.setHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    sdl.setHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    sdl.setHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    sdl.setHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // A small picture that changes a few times an hour gains nothing from the GPU, and probing
    // for OpenGL alone would load a driver (a hundred megabytes and threads with llvmpipe) that
    // then sits idle: draw in software straight into the window's shared-memory image.
    sdl.setHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    sdl.setHint(SDL_HINT_RENDER_DRIVER, "software");
    sdl.setHint(SDL_HINT_APP_NAME, options.title.c_str());
    // Only a real display will do: SDL would otherwise fall back to drawing off screen, and the
    // widget would run on unseen. Wayland is only tried where there is one, since its library
    // complains on stderr otherwise. An explicit SDL_VIDEODRIVER still wins over this.
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    sdl.setHint(SDL_HINT_VIDEODRIVER, wayland && *wayland ? "x11,wayland" : "x11");

    live->points_ = options.points;
    if (live->xlib_)
        live->transparent_ = chooseTransparentVisual(sdl, *live->xlib_);
    if (sdl.initSubSystem(SDL_INIT_VIDEO) != 0) {
        const char* display = std::getenv("DISPLAY");
        return sdlError(sdl, display && *display ? "cannot open the display " + std::string(display)
                                                 : std::string("cannot open the display"));
    }
    live->video_.emplace(sdl.quit);

    auto pixels = [&](double scale) {
        return std::pair{std::max(1, static_cast<int>(std::lround(options.points.width * scale))),
                         std::max(1, static_cast<int>(std::lround(options.points.height * scale)))};
    };
    auto [width, height] = pixels(options.scale.value_or(1));
    live->window_ = {sdl.createWindow(options.title.c_str(), SDL_WINDOWPOS_UNDEFINED,
                                      SDL_WINDOWPOS_UNDEFINED, width, height,
                                      SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS |
                                          SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_SKIP_TASKBAR),
                     sdl.destroyWindow};
    if (!live->window_)
        return sdlError(sdl, "cannot open a window");
    if (!options.scale && live->xlib_) {
        if (auto scale = desktopScale(sdl, *live->xlib_, live->window_.get())) {
            auto [scaledWidth, scaledHeight] = pixels(*scale);
            sdl.setWindowSize(live->window_.get(), scaledWidth, scaledHeight);
        }
    }
    if (live->transparent_) {
        // Only into the visual asked for: 32-bit pixels put into any other are an X error.
        auto x11 = x11WindowOf(sdl, live->window_.get());
        XWindowAttributes attributes{};
        if (x11 && live->xlib_->getWindowAttributes(x11->display, x11->window, &attributes) &&
            attributes.depth == 32)
            live->presenter_ =
                std::make_unique<X11ImagePresenter>(*live->xlib_, x11->display, x11->window);
        else
            live->transparent_ = false;
    }
    if (!live->presenter_) {
        live->renderer_ = {sdl.createRenderer(live->window_.get(), -1, SDL_RENDERER_SOFTWARE),
                           sdl.destroyRenderer};
        if (!live->renderer_)
            return sdlError(sdl, "cannot draw into the window");
    }

    if (live->xlib_) {
        markAsDesktopWidget(sdl, *live->xlib_, live->window_.get(), false);
        live->cutToCard();
        live->place();
        // Monitors that come and go: RandR tells of it through SDL's own connection (its
        // output events kept, since this selection replaces SDL's).
        auto x11 = x11WindowOf(sdl, live->window_.get());
        int errorBase = 0;
        if (x11 && live->xrandr_ &&
            live->xrandr_->queryExtension(x11->display, &live->randrEventBase_, &errorBase)) {
            sdl.eventState(SDL_SYSWMEVENT, SDL_ENABLE);
            live->xrandr_->selectInput(
                x11->display, DefaultRootWindow(x11->display),
                RRScreenChangeNotifyMask | RROutputChangeNotifyMask | RRCrtcChangeNotifyMask);
        }
    }
    sdl.showWindow(live->window_.get());
    if (live->xlib_)
        markAsDesktopWidget(sdl, *live->xlib_, live->window_.get(), true);
    return live;
}

LiveWindow::~LiveWindow() = default;

void LiveWindow::cutToCard() {
    auto x11 = x11WindowOf(*sdl_, window_.get());
    if (!x11 || !xshape_)
        return;
    int width = 0;
    int height = 0;
    sdl_->getWindowSize(window_.get(), &width, &height);
    // No rectangles at all would hide the window entirely.
    auto card = cardRectangles(points_, width, height);
    if (!card.empty())
        shapeToCard(*xshape_, x11->display, x11->window, card, !transparent_);
}

void LiveWindow::place() {
    auto x11 = x11WindowOf(*sdl_, window_.get());
    if (!x11 || !xlib_)
        return;
    auto monitors = listMonitors(*xlib_, xrandr_.get(), x11->display);
    auto choice = chooseMonitor(monitors, placement_.output);
    if (!choice)
        return;
    int width = 0;
    int height = 0;
    sdl_->getWindowSize(window_.get(), &width, &height);
    double scale = points_.width > 0 ? width / points_.width : 1;
    auto origin =
        placedOrigin(placement_.anchor, placement_.margin, choice->monitor.area, points_, scale);
    // A margin larger than the monitor leaves the widget at its far edge rather than off
    // screen, where nothing could bring it back.
    const ui::Rect& area = choice->monitor.area;
    auto keptOn = [](double start, double at, double size, double extent) {
        return size <= extent ? std::clamp(at, start, start + extent - size) : at;
    };
    origin = {keptOn(area.x, origin.x, width, area.width),
              keptOn(area.y, origin.y, height, area.height)};
    sdl_->setWindowPosition(window_.get(), static_cast<int>(std::lround(origin.x)),
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

bool LiveWindow::isDisplayChange(const SDL_Event& event) const {
    if (event.type == SDL_DISPLAYEVENT)
        return true;
    if (event.type != SDL_SYSWMEVENT || randrEventBase_ < 0 || !event.syswm.msg ||
        event.syswm.msg->subsystem != SDL_SYSWM_X11)
        return false;
    int type = event.syswm.msg->msg.x11.event.type;
    return type >= randrEventBase_ && type < randrEventBase_ + RRNumberEvents;
}

double LiveWindow::pixelScale() const {
    int width = 0;
    int height = 0;
    if (renderer_)
        sdl_->getRendererOutputSize(renderer_.get(), &width, &height);
    else
        sdl_->getWindowSize(window_.get(), &width, &height);
    if (width <= 0 || points_.width <= 0)
        return 1;
    return width / points_.width;
}

ui::Point LiveWindow::toPoints(int x, int y) const {
    int width = 0;
    int height = 0;
    sdl_->getWindowSize(window_.get(), &width, &height);
    if (width <= 0 || height <= 0)
        return {};
    return {x * points_.width / width, y * points_.height / height};
}

void LiveWindow::show(render::Raster raster) {
    if (raster.width <= 0 || raster.height <= 0)
        return;
    if (presenter_) {
        render::clipToDesktopCard(raster, raster.width / points_.width);
        shown_ = std::move(raster);
        presenter_->put(*shown_);
        return;
    }
    if (!texture_ || textureWidth_ != raster.width || textureHeight_ != raster.height) {
        texture_ = {sdl_->createTexture(renderer_.get(), SDL_PIXELFORMAT_ARGB8888,
                                        SDL_TEXTUREACCESS_STREAMING, raster.width, raster.height),
                    sdl_->destroyTexture};
        if (!texture_)
            return;
        // Cairo's pixels are premultiplied; copied over black they are the colours to show.
        sdl_->setTextureBlendMode(texture_.get(), SDL_BLENDMODE_NONE);
        textureWidth_ = raster.width;
        textureHeight_ = raster.height;
    }
    sdl_->updateTexture(texture_.get(), nullptr, raster.pixels.data(), raster.stride);
    present();
}

void LiveWindow::present() {
    if (presenter_) {
        if (shown_)
            presenter_->put(*shown_);
        return;
    }
    sdl_->setRenderDrawColor(renderer_.get(), 0, 0, 0, 255);
    sdl_->renderClear(renderer_.get());
    if (texture_)
        sdl_->renderCopy(renderer_.get(), texture_.get(), nullptr, nullptr);
    sdl_->renderPresent(renderer_.get());
}

}  // namespace sonaris::platform::desktop::x11
