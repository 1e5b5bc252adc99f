#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <type_traits>

#include "platform/desktop/x11/xlib_library.hpp"
#include "platform/render/painter.hpp"

namespace sonaris::platform::desktop::x11 {

// Puts the painter's rasters into a window of a 32-bit visual as they are, alpha included: SDL
// takes such a window's pixels for opaque ones, and a compositor would show no corners.
class X11ImagePresenter {
  public:
    X11ImagePresenter(const XlibLibrary& xlib, Display* display, Window window);
    X11ImagePresenter(const X11ImagePresenter&) = delete;
    X11ImagePresenter& operator=(const X11ImagePresenter&) = delete;

    // Cairo's premultiplied ARGB is what compositors read from a 32-bit visual.
    void put(const render::Raster& raster);

  private:
    const XlibLibrary& xlib_;
    Display* display_;
    Window window_;
    struct FreeGC {
        const XlibLibrary* xlib;
        Display* display;
        void operator()(GC gc) const { xlib->freeGC(display, gc); }
    };
    std::unique_ptr<std::remove_pointer_t<GC>, FreeGC> gc_;
};

}  // namespace sonaris::platform::desktop::x11
