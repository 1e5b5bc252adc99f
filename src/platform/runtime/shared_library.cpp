#include "platform/runtime/shared_library.hpp"

#include <dlfcn.h>

namespace sonaris::platform::runtime {

std::variant<SharedLibrary, std::string> SharedLibrary::open(const char* file) {
    dlerror();
    if (void* handle = dlopen(file, RTLD_NOW | RTLD_LOCAL))
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

}  // namespace sonaris::platform::runtime
