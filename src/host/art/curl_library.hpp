#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>
#include <variant>

#include "platform/foundation/shared_library.hpp"

// The libcurl functions the HTTP transfer uses, as (member, symbol) pairs.
#define SONARIS_CURL_FUNCTIONS(F)                  \
    F(globalInit, curl_global_init)                \
    F(easyInit, curl_easy_init)                    \
    F(easyCleanup, curl_easy_cleanup)              \
    F(easySetopt, curl_easy_setopt)                \
    F(easyGetinfo, curl_easy_getinfo)              \
    F(multiInit, curl_multi_init)                  \
    F(multiCleanup, curl_multi_cleanup)            \
    F(multiAddHandle, curl_multi_add_handle)       \
    F(multiRemoveHandle, curl_multi_remove_handle) \
    F(multiPerform, curl_multi_perform)            \
    F(multiPoll, curl_multi_poll)                  \
    F(multiWakeup, curl_multi_wakeup)              \
    F(multiInfoRead, curl_multi_info_read)

namespace sonaris::host::art {

// libcurl, loaded on the first http(s) art URL rather than linked: linked, it and the TLS,
// Kerberos and LDAP libraries it pulls in would be mapped into every `sonaris-host open` and
// `status`, megabytes of pages and milliseconds of start-up that only HTTP art needs.
class CurlLibrary {
  public:
    // Opens `file`, resolves its functions and sets libcurl up for this process; a one-line
    // reason when any of that fails.
    static std::variant<std::shared_ptr<const CurlLibrary>, std::string> load(const char* file);

#define SONARIS_CURL_MEMBER(member, symbol) decltype(&::symbol) member = nullptr;
    SONARIS_CURL_FUNCTIONS(SONARIS_CURL_MEMBER)
#undef SONARIS_CURL_MEMBER

  private:
    explicit CurlLibrary(platform::foundation::SharedLibrary library) : library_(std::move(library)) {}
    platform::foundation::SharedLibrary library_;
};

}  // namespace sonaris::host::art
