#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace sonaris::host::art {

struct HttpLimits {
    std::size_t maxBodyBytes;
    std::chrono::milliseconds connectTimeout;
    std::chrono::milliseconds transferTimeout;
    long maxRedirects = 5;
};

// Fetches http:// and https:// bodies with libcurl, opened at run time, one at a time, on the
// thread that calls fetch(). Only those two protocols are spoken, redirects included, so a server
// cannot send the host to file:// or anything else. A transfer checks `abandoned` as it goes and
// ends soon after it turns true; wake() makes it check at once.
class HttpTransfer {
  public:
    // A one-line reason when libcurl (`library`, the file to open) cannot be loaded or set up.
    static std::variant<std::unique_ptr<HttpTransfer>, std::string> create(
        HttpLimits limits, const std::string& library);
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    // The body of a 2xx answer; nothing on any error, a body over the cap, a timeout, or once
    // `abandoned` answers true.
    std::optional<std::vector<std::uint8_t>> fetch(const std::string& url,
                                                   const std::function<bool()>& abandoned);

    // Interrupts the transfer's wait for the network so that it looks at `abandoned` again; safe
    // from any thread, at any time.
    void wake();

  private:
    struct Handles;
    HttpTransfer(HttpLimits limits, std::unique_ptr<Handles> handles);
    HttpLimits limits_;
    std::unique_ptr<Handles> handles_;
};

}  // namespace sonaris::host::art
