#include "platform/desktop/x11/xlib_library.hpp"

namespace sonaris::platform::desktop::x11 {

std::unique_ptr<XlibLibrary> XlibLibrary::load() {
    auto opened = foundation::SharedLibrary::open("libX11.so.6");
    auto* library = std::get_if<foundation::SharedLibrary>(&opened);
    if (!library)
        return nullptr;
    std::unique_ptr<XlibLibrary> xlib(new XlibLibrary(std::move(*library)));
#define SONARIS_XLIB_RESOLVE(member, symbol)            \
    if (!xlib->library_.resolve(#symbol, xlib->member)) \
        return nullptr;
    SONARIS_XLIB_FUNCTIONS(SONARIS_XLIB_RESOLVE)
#undef SONARIS_XLIB_RESOLVE
    return xlib;
}

}  // namespace sonaris::platform::desktop::x11
