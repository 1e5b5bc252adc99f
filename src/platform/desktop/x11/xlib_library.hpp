#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>
#include <optional>

#include "platform/foundation/shared_library.hpp"

// The Xlib functions the live widget uses, as (member, symbol) pairs.
#define SONARIS_XLIB_FUNCTIONS(F)                    \
    F(internAtom, XInternAtom)                       \
    F(resourceManagerString, XResourceManagerString) \
    F(changeProperty, XChangeProperty)               \
    F(sendEvent, XSendEvent)                         \
    F(flush, XFlush)                                 \
    F(openDisplay, XOpenDisplay)                     \
    F(closeDisplay, XCloseDisplay)                   \
    F(getSelectionOwner, XGetSelectionOwner)         \
    F(matchVisualInfo, XMatchVisualInfo)             \
    F(getAtomName, XGetAtomName)                     \
    F(free, XFree)                                   \
    F(createGC, XCreateGC)                           \
    F(freeGC, XFreeGC)                               \
    F(initImage, XInitImage)                         \
    F(putImage, XPutImage)                           \
    F(getWindowAttributes, XGetWindowAttributes)

namespace sonaris::platform::desktop::x11 {

// The few Xlib calls that make the window a desktop widget, loaded with the window for the
// same reason as SDL. SDL has loaded the library already wherever it drives an X11 display.
class XlibLibrary {
  public:
    // Null when the library or one of its functions is missing: the hints are then skipped.
    static std::unique_ptr<XlibLibrary> load();

#define SONARIS_XLIB_MEMBER(member, symbol) decltype(&::symbol) member = nullptr;
    SONARIS_XLIB_FUNCTIONS(SONARIS_XLIB_MEMBER)
#undef SONARIS_XLIB_MEMBER

  private:
    explicit XlibLibrary(foundation::SharedLibrary library) : library_(std::move(library)) {}
    foundation::SharedLibrary library_;
};

}  // namespace sonaris::platform::desktop::x11
