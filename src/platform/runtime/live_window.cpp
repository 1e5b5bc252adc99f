#include "platform/runtime/live_window.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/runtime/desktop_hints.hpp"

namespace sonaris::platform::runtime {

namespace {

std::string sdlError(std::string_view what) {
    return std::string(what) + ": " + SDL_GetError();
}

}  // namespace

std::variant<std::unique_ptr<LiveWindow>, std::string> LiveWindow::open(const Options& options) {
    // Signals are the runtime's to handle; a widget must not keep the screen saver away; and a
    // compositor should keep compositing around it.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // A small picture that changes a few times an hour gains nothing from the GPU, and probing
    // for OpenGL alone would load a driver (a hundred megabytes and threads with llvmpipe) that
    // then sits idle: draw in software straight into the window's shared-memory image.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_APP_NAME, options.title.c_str());
    // Only a real display will do: SDL would otherwise fall back to drawing off screen, and the
    // widget would run on unseen. Wayland is only tried where there is one, since its library
    // complains on stderr otherwise. An explicit SDL_VIDEODRIVER still wins over this.
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    SDL_SetHint(SDL_HINT_VIDEODRIVER, wayland && *wayland ? "x11,wayland" : "x11");

    std::unique_ptr<LiveWindow> live(new LiveWindow());
    live->points_ = options.points;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        const char* display = std::getenv("DISPLAY");
        return sdlError(display && *display ? "cannot open the display " + std::string(display)
                                            : std::string("cannot open the display"));
    }
    live->video_.emplace();

    auto pixels = [&](double scale) {
        return std::pair{std::max(1, static_cast<int>(std::lround(options.points.width * scale))),
                         std::max(1, static_cast<int>(std::lround(options.points.height * scale)))};
    };
    auto [width, height] = pixels(options.scale.value_or(1));
    live->window_.reset(SDL_CreateWindow(options.title.c_str(), SDL_WINDOWPOS_UNDEFINED,
                                         SDL_WINDOWPOS_UNDEFINED, width, height,
                                         SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS |
                                             SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_SKIP_TASKBAR));
    if (!live->window_)
        return sdlError("cannot open a window");
    if (!options.scale) {
        if (auto scale = desktopScale(live->window_.get())) {
            auto [scaledWidth, scaledHeight] = pixels(*scale);
            SDL_SetWindowSize(live->window_.get(), scaledWidth, scaledHeight);
        }
    }
    live->renderer_.reset(SDL_CreateRenderer(live->window_.get(), -1, SDL_RENDERER_SOFTWARE));
    if (!live->renderer_)
        return sdlError("cannot draw into the window");

    markAsDesktopWidget(live->window_.get(), false);
    SDL_ShowWindow(live->window_.get());
    markAsDesktopWidget(live->window_.get(), true);
    return live;
}

LiveWindow::~LiveWindow() = default;

double LiveWindow::pixelScale() const {
    int width = 0;
    int height = 0;
    SDL_GetRendererOutputSize(renderer_.get(), &width, &height);
    if (width <= 0 || points_.width <= 0)
        return 1;
    return width / points_.width;
}

ui::Point LiveWindow::toPoints(int x, int y) const {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window_.get(), &width, &height);
    if (width <= 0 || height <= 0)
        return {};
    return {x * points_.width / width, y * points_.height / height};
}

void LiveWindow::show(const render::Raster& raster) {
    if (raster.width <= 0 || raster.height <= 0)
        return;
    if (!texture_ || textureWidth_ != raster.width || textureHeight_ != raster.height) {
        texture_.reset(SDL_CreateTexture(renderer_.get(), SDL_PIXELFORMAT_ARGB8888,
                                         SDL_TEXTUREACCESS_STREAMING, raster.width, raster.height));
        if (!texture_)
            return;
        // Cairo's pixels are premultiplied; copied over black they are the colours to show.
        SDL_SetTextureBlendMode(texture_.get(), SDL_BLENDMODE_NONE);
        textureWidth_ = raster.width;
        textureHeight_ = raster.height;
    }
    SDL_UpdateTexture(texture_.get(), nullptr, raster.pixels.data(), raster.stride);
    present();
}

void LiveWindow::present() {
    SDL_SetRenderDrawColor(renderer_.get(), 0, 0, 0, 255);
    SDL_RenderClear(renderer_.get());
    if (texture_)
        SDL_RenderCopy(renderer_.get(), texture_.get(), nullptr, nullptr);
    SDL_RenderPresent(renderer_.get());
}

}  // namespace sonaris::platform::runtime
