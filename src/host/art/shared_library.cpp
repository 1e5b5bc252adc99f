#include "host/art/shared_library.hpp"

#include <dlfcn.h>

namespace sonaris::host::art {

std::variant<SharedLibrary, std::string> SharedLibrary::open(const char* file) {
    dlerror();
    // Never unmapped, even after the last close: libcurl and its TLS libraries register
    // process-wide state (atexit handlers, thread keys) that must stay reachable until exit.
    if (void* handle = dlopen(file, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE))
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

}  // namespace sonaris::host::art
