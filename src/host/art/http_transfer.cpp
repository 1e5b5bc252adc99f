#include "host/art/http_transfer.hpp"

#include <curl/curl.h>

#include <mutex>
#include <new>

namespace sonaris::host::art {

namespace {

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

struct Body {
    std::vector<std::uint8_t> bytes;
    std::size_t maxBytes = 0;
    bool overflowed = false;
};

// Returning less than was offered makes libcurl end the transfer with an error, so an endless
// body never holds more than the cap.
std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* context) {
    auto& body = *static_cast<Body*>(context);
    const std::size_t length = size * count;
    if (length > body.maxBytes - body.bytes.size()) {
        body.overflowed = true;
        return 0;
    }
    try {
        body.bytes.insert(body.bytes.end(), data, data + length);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return length;
}

// An easy handle attached to a multi handle for as long as it lives.
class Attachment {
  public:
    Attachment(CURLM* multi, CURL* easy) : multi_(multi), easy_(easy) {
        ok_ = curl_multi_add_handle(multi, easy) == CURLM_OK;
    }
    ~Attachment() {
        if (ok_) {
            curl_multi_remove_handle(multi_, easy_);
        }
    }
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;
    bool ok() const { return ok_; }

  private:
    CURLM* multi_;
    CURL* easy_;
    bool ok_ = false;
};

}  // namespace

struct HttpTransfer::Handles {
    std::unique_ptr<CURLM, MultiDeleter> multi;
};

std::unique_ptr<HttpTransfer> HttpTransfer::create(HttpLimits limits) {
    // libcurl's global set-up is not safe to race with other threads starting it.
    static std::once_flag once;
    static bool initialised = false;
    std::call_once(once, [] { initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    if (!initialised) {
        return nullptr;
    }
    auto handles = std::make_unique<Handles>();
    handles->multi.reset(curl_multi_init());
    if (!handles->multi) {
        return nullptr;
    }
    return std::unique_ptr<HttpTransfer>(new HttpTransfer(limits, std::move(handles)));
}

HttpTransfer::HttpTransfer(HttpLimits limits, std::unique_ptr<Handles> handles)
    : limits_(limits), handles_(std::move(handles)) {}

HttpTransfer::~HttpTransfer() = default;

void HttpTransfer::wake() {
    curl_multi_wakeup(handles_->multi.get());
}

std::optional<std::vector<std::uint8_t>> HttpTransfer::fetch(
    const std::string& url, const std::function<bool()>& abandoned) {
    const std::unique_ptr<CURL, EasyDeleter> easy{curl_easy_init()};
    if (!easy) {
        return std::nullopt;
    }
    Body body;
    body.maxBytes = limits_.maxBodyBytes;
    CURL* e = easy.get();
    bool configured =
        curl_easy_setopt(e, CURLOPT_URL, url.c_str()) == CURLE_OK &&
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
        curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
        curl_easy_setopt(e, CURLOPT_MAXREDIRS, limits_.maxRedirects) == CURLE_OK &&
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(limits_.connectTimeout.count())) == CURLE_OK &&
        curl_easy_setopt(e, CURLOPT_TIMEOUT_MS,
                         static_cast<long>(limits_.transferTimeout.count())) == CURLE_OK &&
        // A declared length over the cap ends the transfer before any of the body comes.
        curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(limits_.maxBodyBytes)) == CURLE_OK &&
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
        curl_easy_setopt(e, CURLOPT_USERAGENT, "sonaris-host/" SONARIS_VERSION) == CURLE_OK &&
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, appendBody) == CURLE_OK &&
        curl_easy_setopt(e, CURLOPT_WRITEDATA, &body) == CURLE_OK;
    if (!configured) {
        return std::nullopt;
    }

    CURLM* multi = handles_->multi.get();
    const Attachment attachment(multi, e);
    if (!attachment.ok()) {
        return std::nullopt;
    }
    int running = 1;
    while (running > 0) {
        if (abandoned() || curl_multi_perform(multi, &running) != CURLM_OK) {
            return std::nullopt;
        }
        // libcurl's own timers (timeouts, retries) shorten this wait when they need to.
        if (running > 0 && curl_multi_poll(multi, nullptr, 0, 1000, nullptr) != CURLM_OK) {
            return std::nullopt;
        }
    }
    int pending = 0;
    CURLcode outcome = CURLE_FAILED_INIT;
    while (CURLMsg* message = curl_multi_info_read(multi, &pending)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == e) {
            outcome = message->data.result;
        }
    }
    long status = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    if (outcome != CURLE_OK || body.overflowed || status < 200 || status > 299) {
        return std::nullopt;
    }
    return std::move(body.bytes);
}

}  // namespace sonaris::host::art
