#include "platform/desktop/x11/sdl_library.hpp"

namespace sonaris::platform::desktop::x11 {

std::variant<std::unique_ptr<SdlLibrary>, std::string> SdlLibrary::load() {
    constexpr const char* file = "libSDL2-2.0.so.0";
    auto opened = foundation::SharedLibrary::open(file);
    if (auto* reason = std::get_if<std::string>(&opened))
        return "cannot load SDL2 (" + *reason + ")";
    std::unique_ptr<SdlLibrary> sdl(
        new SdlLibrary(std::move(std::get<foundation::SharedLibrary>(opened))));
#define SONARIS_SDL_RESOLVE(member, symbol)           \
    if (!sdl->library_.resolve(#symbol, sdl->member)) \
        return std::string("cannot load SDL2 (") + file + " has no " #symbol ")";
    SONARIS_SDL_FUNCTIONS(SONARIS_SDL_RESOLVE)
#undef SONARIS_SDL_RESOLVE
    return sdl;
}

}  // namespace sonaris::platform::desktop::x11
