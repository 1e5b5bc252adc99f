#include "host/art/curl_library.hpp"

#include <mutex>

namespace sonaris::host::art {

using platform::foundation::SharedLibrary;

std::variant<std::shared_ptr<const CurlLibrary>, std::string> CurlLibrary::load(const char* file) {
    auto opened = SharedLibrary::open(file);
    if (auto* reason = std::get_if<std::string>(&opened))
        return "cannot load libcurl (" + *reason + ")";
    std::shared_ptr<CurlLibrary> curl(new CurlLibrary(std::move(std::get<SharedLibrary>(opened))));
#define SONARIS_CURL_RESOLVE(member, symbol)            \
    if (!curl->library_.resolve(#symbol, curl->member)) \
        return std::string("cannot load libcurl (") + file + " has no " #symbol ")";
    SONARIS_CURL_FUNCTIONS(SONARIS_CURL_RESOLVE)
#undef SONARIS_CURL_RESOLVE
    // libcurl's global set-up may not race with another thread's; it counts its callers, and the
    // library is never unloaded, so it is never undone.
    static std::mutex settingUp;
    const std::lock_guard lock(settingUp);
    if (curl->globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        return std::string("cannot set libcurl up");
    return curl;
}

}  // namespace sonaris::host::art
