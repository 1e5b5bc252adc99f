#include "platform/desktop/x11/extension_libraries.hpp"

namespace sonaris::platform::desktop::x11 {

#define SONARIS_X11_RESOLVE(member, symbol)                 \
    if (!loaded->library_.resolve(#symbol, loaded->member)) \
        return nullptr;

std::unique_ptr<XrandrLibrary> XrandrLibrary::load() {
    auto opened = foundation::SharedLibrary::open("libXrandr.so.2");
    auto* library = std::get_if<foundation::SharedLibrary>(&opened);
    if (!library)
        return nullptr;
    std::unique_ptr<XrandrLibrary> loaded(new XrandrLibrary(std::move(*library)));
    SONARIS_XRANDR_FUNCTIONS(SONARIS_X11_RESOLVE)
    return loaded;
}

std::unique_ptr<XshapeLibrary> XshapeLibrary::load() {
    auto opened = foundation::SharedLibrary::open("libXext.so.6");
    auto* library = std::get_if<foundation::SharedLibrary>(&opened);
    if (!library)
        return nullptr;
    std::unique_ptr<XshapeLibrary> loaded(new XshapeLibrary(std::move(*library)));
    SONARIS_XSHAPE_FUNCTIONS(SONARIS_X11_RESOLVE)
    return loaded;
}

std::unique_ptr<XfixesLibrary> XfixesLibrary::load() {
    auto opened = foundation::SharedLibrary::open("libXfixes.so.3");
    auto* library = std::get_if<foundation::SharedLibrary>(&opened);
    if (!library)
        return nullptr;
    std::unique_ptr<XfixesLibrary> loaded(new XfixesLibrary(std::move(*library)));
    SONARIS_XFIXES_FUNCTIONS(SONARIS_X11_RESOLVE)
    return loaded;
}

#undef SONARIS_X11_RESOLVE

}  // namespace sonaris::platform::desktop::x11
