#include "platform/foundation/shared_library.hpp"

#include <dlfcn.h>

namespace sonaris::platform::foundation {

std::variant<SharedLibrary, std::string> SharedLibrary::open(const char* file, Unload unload) {
    dlerror();
    // By default never unmapped, even after the last close: SDL and libdbus keep process-wide
    // state (hints, the bus connection, atexit handlers) that must stay reachable until exit.
    const int flags = RTLD_NOW | RTLD_LOCAL | (unload == Unload::never ? RTLD_NODELETE : 0);
    if (void* handle = dlopen(file, flags))
        return SharedLibrary(handle);
    const char* reason = dlerror();
    return std::string(reason ? reason : file);
}

void SharedLibrary::Close::operator()(void* handle) const {
    dlclose(handle);
}

void* SharedLibrary::symbol(const char* name) const {
    return dlsym(handle_.get(), name);
}

}  // namespace sonaris::platform::foundation
