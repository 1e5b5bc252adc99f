#pragma once

#include <SDL2/SDL.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "platform/desktop/placement.hpp"
#include "platform/desktop/x11/sdl_library.hpp"
#include "platform/render/painter.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::desktop::x11 {

class XlibLibrary;
class XrandrLibrary;
class XshapeLibrary;
class X11ImagePresenter;

// The widget's borderless window on the desktop, drawn from rasters the painter makes. On X11 it
// asks to be kept below other windows, on every workspace, and out of the taskbar and pager; it
// stands where its placement says on its monitor, and is seen (and clickable) as the rounded
// card only: transparent around it where a compositor runs, cut to it by a shape elsewhere.
class LiveWindow {
  public:
    struct Options {
        std::string title;
        ui::Size points;
        std::optional<double> scale;  // pixels per point; unset: the display's
        Placement placement;
        // Tells the user, in one line, what they should know (a monitor that is not there).
        std::function<void(const std::string&)> notify;
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

    // Puts the window where its placement asks, on the monitor it names if there is one such,
    // else on the primary one (saying so when the named one goes missing); called once before
    // the window is shown and again whenever the monitors change.
    void place();

    // Whether the event says that the monitors changed, so that the window needs placing anew.
    bool isDisplayChange(const SDL_Event& event) const;

    // Shows a new picture.
    void show(render::Raster raster);
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

    void cutToCard();

    ui::Size points_;
    Placement placement_;
    std::function<void(const std::string&)> notify_;
    // Whether the window's visual has alpha that a compositor shows.
    bool transparent_ = false;
    bool reportedMissingOutput_ = false;
    int randrEventBase_ = -1;
    // The libraries first, so that they are unloaded last, after every handle below.
    std::unique_ptr<SdlLibrary> sdl_;
    std::unique_ptr<XlibLibrary> xlib_;
    std::unique_ptr<XrandrLibrary> xrandr_;
    std::unique_ptr<XshapeLibrary> xshape_;
    std::optional<SdlVideo> video_;
    std::unique_ptr<SDL_Window, decltype(&::SDL_DestroyWindow)> window_{nullptr, nullptr};
    std::unique_ptr<SDL_Renderer, decltype(&::SDL_DestroyRenderer)> renderer_{nullptr, nullptr};
    std::unique_ptr<SDL_Texture, decltype(&::SDL_DestroyTexture)> texture_{nullptr, nullptr};
    int textureWidth_ = 0;
    int textureHeight_ = 0;
    // In place of the renderer in a window with alpha, with the picture it shows.
    std::unique_ptr<X11ImagePresenter> presenter_;
    std::optional<render::Raster> shown_;
};

}  // namespace sonaris::platform::desktop::x11
