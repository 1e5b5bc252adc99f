#pragma once

#include <SDL2/SDL.h>

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "platform/render/painter.hpp"
#include "platform/runtime/sdl_library.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::runtime {

class XlibLibrary;

// The widget's borderless window on the desktop, drawn from rasters the painter makes. On X11 it
// asks to be kept below other windows, on every workspace, and out of the taskbar and pager.
class LiveWindow {
  public:
    struct Options {
        std::string title;
        ui::Size points;
        std::optional<double> scale;  // pixels per point; unset: the display's
    };

    // A one-line reason when SDL cannot be loaded or there is no display to open a window on.
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

    // The library behind the window, for its event queue; valid as long as the window.
    const SdlLibrary& sdl() const { return *sdl_; }

  private:
    LiveWindow() = default;

    struct SdlVideo {
        explicit SdlVideo(decltype(&::SDL_Quit) quit) : quit(quit) {}
        SdlVideo(const SdlVideo&) = delete;
        SdlVideo& operator=(const SdlVideo&) = delete;
        // SDL_Quit rather than quitting the subsystem alone: only it closes the D-Bus connection.
        ~SdlVideo() { quit(); }
        decltype(&::SDL_Quit) quit;
    };

    ui::Size points_;
    // The libraries first, so that they are unloaded last, after every handle below.
    std::unique_ptr<SdlLibrary> sdl_;
    std::unique_ptr<XlibLibrary> xlib_;
    std::optional<SdlVideo> video_;
    std::unique_ptr<SDL_Window, decltype(&::SDL_DestroyWindow)> window_{nullptr, nullptr};
    std::unique_ptr<SDL_Renderer, decltype(&::SDL_DestroyRenderer)> renderer_{nullptr, nullptr};
    std::unique_ptr<SDL_Texture, decltype(&::SDL_DestroyTexture)> texture_{nullptr, nullptr};
    int textureWidth_ = 0;
    int textureHeight_ = 0;
};

}  // namespace sonaris::platform::runtime
