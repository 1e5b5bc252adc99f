#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>
#include <optional>

#include "platform/foundation/shared_library.hpp"

// The Xlib functions the live widget uses, as (member, symbol) pairs.
#define SONARIS_XLIB_FUNCTIONS(F)                            \
    F(internAtom, XInternAtom)                               \
    F(resourceManagerString, XResourceManagerString)         \
    F(changeProperty, XChangeProperty)                       \
    F(sendEvent, XSendEvent)                                 \
    F(flush, XFlush)                                         \
    F(openDisplay, XOpenDisplay)                             \
    F(closeDisplay, XCloseDisplay)                           \
    F(getSelectionOwner, XGetSelectionOwner)                 \
    F(matchVisualInfo, XMatchVisualInfo)                     \
    F(getAtomName, XGetAtomName)                             \
    F(free, XFree)                                           \
    F(createGC, XCreateGC)                                   \
    F(freeGC, XFreeGC)                                       \
    F(initImage, XInitImage)                                 \
    F(putImage, XPutImage)                                   \
    F(getWindowAttributes, XGetWindowAttributes)             \
    F(createWindow, XCreateWindow)                           \
    F(destroyWindow, XDestroyWindow)                         \
    F(createColormap, XCreateColormap)                       \
    F(freeColormap, XFreeColormap)                           \
    F(mapWindow, XMapWindow)                                 \
    F(moveWindow, XMoveWindow)                               \
    F(selectInput, XSelectInput)                             \
    F(setWMProtocols, XSetWMProtocols)                       \
    F(setWMHints, XSetWMHints)                               \
    F(setWMNormalHints, XSetWMNormalHints)                   \
    F(setClassHint, XSetClassHint)                           \
    F(storeName, XStoreName)                                 \
    F(pending, XPending)                                     \
    F(nextEvent, XNextEvent)                                 \
    F(connectionNumber, XConnectionNumber)                   \
    F(createFontCursor, XCreateFontCursor)                   \
    F(defineCursor, XDefineCursor)                           \
    F(freeCursor, XFreeCursor)                               \
    F(translateCoordinates, XTranslateCoordinates)           \
    F(setErrorHandler, XSetErrorHandler)                     \
    F(createPixmap, XCreatePixmap)                           \
    F(freePixmap, XFreePixmap)                               \
    F(setWindowBackgroundPixmap, XSetWindowBackgroundPixmap) \
    F(clearWindow, XClearWindow)

namespace sonaris::platform::desktop::x11 {

// The Xlib calls of the live widget's X11 window, loaded with the window: the commands that
// draw into files never pay for the library.
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
