#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>

#include <memory>

#include "platform/foundation/shared_library.hpp"

#define SONARIS_XRANDR_FUNCTIONS(F)                            \
    F(queryExtension, XRRQueryExtension)                       \
    F(queryVersion, XRRQueryVersion)                           \
    F(selectInput, XRRSelectInput)                             \
    F(getMonitors, XRRGetMonitors)                             \
    F(freeMonitors, XRRFreeMonitors)                           \
    F(getScreenResourcesCurrent, XRRGetScreenResourcesCurrent) \
    F(freeScreenResources, XRRFreeScreenResources)             \
    F(getOutputInfo, XRRGetOutputInfo)                         \
    F(freeOutputInfo, XRRFreeOutputInfo)

#define SONARIS_XSHAPE_FUNCTIONS(F)               \
    F(queryExtension, XShapeQueryExtension)       \
    F(combineRectangles, XShapeCombineRectangles) \
    F(combineMask, XShapeCombineMask)

#define SONARIS_XFIXES_FUNCTIONS(F)         \
    F(queryExtension, XFixesQueryExtension) \
    F(selectSelectionInput, XFixesSelectSelectionInput)

namespace sonaris::platform::desktop::x11 {

// XRandR, for the monitors' names and areas; loaded at run time like Xlib. Null when the
// library or one of its functions is missing: the screen is then taken as one monitor.
class XrandrLibrary {
  public:
    static std::unique_ptr<XrandrLibrary> load();

#define SONARIS_X11_MEMBER(member, symbol) decltype(&::symbol) member = nullptr;
    SONARIS_XRANDR_FUNCTIONS(SONARIS_X11_MEMBER)

  private:
    explicit XrandrLibrary(foundation::SharedLibrary library) : library_(std::move(library)) {}
    foundation::SharedLibrary library_;
};

// The X shape extension (in libXext), to cut the window to the card where nothing composites
// transparent pixels. Null when missing: the window stays square.
class XshapeLibrary {
  public:
    static std::unique_ptr<XshapeLibrary> load();

    SONARIS_XSHAPE_FUNCTIONS(SONARIS_X11_MEMBER)

  private:
    explicit XshapeLibrary(foundation::SharedLibrary library) : library_(std::move(library)) {}
    foundation::SharedLibrary library_;
};

// XFixes, to hear when a compositing manager starts or stops (the owner of its selection
// changes). Null when missing: the window keeps the look it started with.
class XfixesLibrary {
  public:
    static std::unique_ptr<XfixesLibrary> load();

    SONARIS_XFIXES_FUNCTIONS(SONARIS_X11_MEMBER)
#undef SONARIS_X11_MEMBER

  private:
    explicit XfixesLibrary(foundation::SharedLibrary library) : library_(std::move(library)) {}
    foundation::SharedLibrary library_;
};

}  // namespace sonaris::platform::desktop::x11
