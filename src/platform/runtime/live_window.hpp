#pragma once

#include <SDL2/SDL.h>

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "platform/render/painter.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::runtime {

// The widget's borderless window on the desktop, drawn from rasters the painter makes. On X11 it
// asks to be kept below other windows, on every workspace, and out of the taskbar and pager.
class LiveWindow {
  public:
    struct Options {
        std::string title;
        ui::Size points;
        std::optional<double> scale;  // pixels per point; unset: the display's
    };

    // A one-line reason when there is no display to open a window on.
    static std::variant<std::unique_ptr<LiveWindow>, std::string> open(const Options& options);
    ~LiveWindow();
    LiveWindow(const LiveWindow&) = delete;
    LiveWindow& operator=(const LiveWindow&) = delete;

    // The pixels per point that the window's drawable holds.
    double pixelScale() const;

    // A position in window coordinates (as mouse events give them) in points.
    ui::Point toPoints(int x, int y) const;

    // Shows a new picture.
    void show(const render::Raster& raster);
    // Draws the current picture again, after the window was exposed.
    void present();

  private:
    LiveWindow() = default;

    struct SdlVideo {
        // SDL_Quit rather than quitting the subsystem alone: only it closes the D-Bus connection.
        ~SdlVideo() { SDL_Quit(); }
    };
    template <auto destroy>
    struct Destroy {
        template <class T>
        void operator()(T* handle) const {
            destroy(handle);
        }
    };

    ui::Size points_;
    // Declared first so that it is released last, after every handle below.
    std::optional<SdlVideo> video_;
    std::unique_ptr<SDL_Window, Destroy<SDL_DestroyWindow>> window_;
    std::unique_ptr<SDL_Renderer, Destroy<SDL_DestroyRenderer>> renderer_;
    std::unique_ptr<SDL_Texture, Destroy<SDL_DestroyTexture>> texture_;
    int textureWidth_ = 0;
    int textureHeight_ = 0;
};

}  // namespace sonaris::platform::runtime
