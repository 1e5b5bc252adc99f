#include "platform/runtime/xlib_library.hpp"

namespace sonaris::platform::runtime {

std::unique_ptr<XlibLibrary> XlibLibrary::load() {
    auto opened = SharedLibrary::open("libX11.so.6");
    auto* library = std::get_if<SharedLibrary>(&opened);
    if (!library)
        return nullptr;
    std::unique_ptr<XlibLibrary> xlib(new XlibLibrary(std::move(*library)));
    const auto& found = xlib->library_;
    if (!found.resolve("XInternAtom", xlib->internAtom) ||
        !found.resolve("XResourceManagerString", xlib->resourceManagerString) ||
        !found.resolve("XChangeProperty", xlib->changeProperty) ||
        !found.resolve("XSendEvent", xlib->sendEvent) || !found.resolve("XFlush", xlib->flush))
        return nullptr;
    return xlib;
}

}  // namespace sonaris::platform::runtime
