#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <optional>

#include "platform/runtime/shared_library.hpp"

namespace sonaris::platform::runtime {

// The few Xlib calls that mark the window as a desktop widget, loaded with the window for the
// same reason as SDL. SDL has loaded the library already wherever it drives an X11 display.
class XlibLibrary {
  public:
    // Null when the library or one of its functions is missing: the hints are then skipped.
    static std::unique_ptr<XlibLibrary> load();

    decltype(&::XInternAtom) internAtom = nullptr;
    decltype(&::XResourceManagerString) resourceManagerString = nullptr;
    decltype(&::XChangeProperty) changeProperty = nullptr;
    decltype(&::XSendEvent) sendEvent = nullptr;
    decltype(&::XFlush) flush = nullptr;

  private:
    explicit XlibLibrary(SharedLibrary library) : library_(std::move(library)) {}
    SharedLibrary library_;
};

}  // namespace sonaris::platform::runtime
