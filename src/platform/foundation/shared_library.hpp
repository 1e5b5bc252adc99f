#pragma once

#include <bit>
#include <memory>
#include <string>
#include <variant>

namespace sonaris::platform::foundation {

// A shared library opened at run time; the handle is released with the last copy, and the
// library stays mapped until the process ends unless it was opened to be unloaded.
class SharedLibrary {
  public:
    enum class Unload {
        never,     // for libraries that keep process-wide state (atexit handlers, a bus)
        afterUse,  // unmapped with the last handle, when nothing else holds it
    };

    // The loader's own one-line reason when the library cannot be opened.
    static std::variant<SharedLibrary, std::string> open(const char* file,
                                                         Unload unload = Unload::never);

    // Points `function` at the library's symbol `name`; false, with `function` null, when the
    // library has no such symbol.
    template <class Function>
    bool resolve(const char* name, Function& function) const {
        function = std::bit_cast<Function>(symbol(name));
        return function != nullptr;
    }

  private:
    struct Close {
        void operator()(void* handle) const;
    };
    explicit SharedLibrary(void* handle) : handle_(handle) {}
    void* symbol(const char* name) const;

    std::unique_ptr<void, Close> handle_;
};

}  // namespace sonaris::platform::foundation
