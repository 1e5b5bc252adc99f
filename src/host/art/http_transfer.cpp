#include "host/art/http_transfer.hpp"

#include <new>

#include "host/art/curl_library.hpp"

namespace sonaris::host::art {

namespace {

struct EasyDeleter {
    const CurlLibrary* curl;
    void operator()(CURL* easy) const { curl->easyCleanup(easy); }
};
struct MultiDeleter {
    const CurlLibrary* curl;
    void operator()(CURLM* multi) const { curl->multiCleanup(multi); }
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
    Attachment(const CurlLibrary& curl, CURLM* multi, CURL* easy)
        : curl_(curl), multi_(multi), easy_(easy) {
        ok_ = curl.multiAddHandle(multi, easy) == CURLM_OK;
    }
    ~Attachment() {
        if (ok_) {
            curl_.multiRemoveHandle(multi_, easy_);
        }
    }
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;
    bool ok() const { return ok_; }

  private:
    const CurlLibrary& curl_;
    CURLM* multi_;
    CURL* easy_;
    bool ok_ = false;
};

}  // namespace

struct HttpTransfer::Handles {
    std::shared_ptr<const CurlLibrary> curl;  // outlives `multi`: declared first
    std::unique_ptr<CURLM, MultiDeleter> multi;
};

std::variant<std::unique_ptr<HttpTransfer>, std::string> HttpTransfer::create(
    HttpLimits limits, const std::string& library) {
    auto loaded = CurlLibrary::load(library.c_str());
    if (auto* reason = std::get_if<std::string>(&loaded)) {
        return std::move(*reason);
    }
    auto handles = std::make_unique<Handles>();
    handles->curl = std::move(std::get<std::shared_ptr<const CurlLibrary>>(loaded));
    const CurlLibrary& curl = *handles->curl;
    handles->multi = {curl.multiInit(), MultiDeleter{&curl}};
    if (!handles->multi) {
        return std::string("cannot start a libcurl transfer");
    }
    return std::unique_ptr<HttpTransfer>(new HttpTransfer(limits, std::move(handles)));
}

HttpTransfer::HttpTransfer(HttpLimits limits, std::unique_ptr<Handles> handles)
    : limits_(limits), handles_(std::move(handles)) {}

HttpTransfer::~HttpTransfer() = default;

void HttpTransfer::wake() {
    handles_->curl->multiWakeup(handles_->multi.get());
}

std::optional<std::vector<std::uint8_t>> HttpTransfer::fetch(
    const std::string& url, const std::function<bool()>& abandoned) {
    const CurlLibrary& curl = *handles_->curl;
    const std::unique_ptr<CURL, EasyDeleter> easy{curl.easyInit(), EasyDeleter{&curl}};
    if (!easy) {
        return std::nullopt;
    }
    Body body;
    body.maxBytes = limits_.maxBodyBytes;
    CURL* e = easy.get();
    bool configured =
        curl.easySetopt(e, CURLOPT_URL, url.c_str()) == CURLE_OK &&
        curl.easySetopt(e, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
        curl.easySetopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
        curl.easySetopt(e, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
        curl.easySetopt(e, CURLOPT_MAXREDIRS, limits_.maxRedirects) == CURLE_OK &&
        curl.easySetopt(e, CURLOPT_CONNECTTIMEOUT_MS,
                        static_cast<long>(limits_.connectTimeout.count())) == CURLE_OK &&
        curl.easySetopt(e, CURLOPT_TIMEOUT_MS,
                        static_cast<long>(limits_.transferTimeout.count())) == CURLE_OK &&
        // A declared length over the cap ends the transfer before any of the body comes.
        curl.easySetopt(e, CURLOPT_MAXFILESIZE_LARGE,
                        static_cast<curl_off_t>(limits_.maxBodyBytes)) == CURLE_OK &&
        curl.easySetopt(e, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
        curl.easySetopt(e, CURLOPT_USERAGENT, "sonaris-host/" SONARIS_VERSION) == CURLE_OK &&
        curl.easySetopt(e, CURLOPT_WRITEFUNCTION, appendBody) == CURLE_OK &&
        curl.easySetopt(e, CURLOPT_WRITEDATA, &body) == CURLE_OK;
    if (!configured) {
        return std::nullopt;
    }

    CURLM* multi = handles_->multi.get();
    const Attachment attachment(curl, multi, e);
    if (!attachment.ok()) {
        return std::nullopt;
    }
    int running = 1;
    while (running > 0) {
        if (abandoned() || curl.multiPerform(multi, &running) != CURLM_OK) {
            return std::nullopt;
        }
        // libcurl's own timers (timeouts, retries) shorten this wait when they need to.
        if (running > 0 && curl.multiPoll(multi, nullptr, 0, 1000, nullptr) != CURLM_OK) {
            return std::nullopt;
        }
    }
    int pending = 0;
    CURLcode outcome = CURLE_FAILED_INIT;
    while (CURLMsg* message = curl.multiInfoRead(multi, &pending)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == e) {
            outcome = message->data.result;
        }
    }
    long status = 0;
    curl.easyGetinfo(e, CURLINFO_RESPONSE_CODE, &status);
    if (outcome != CURLE_OK || body.overflowed || status < 200 || status > 299) {
        return std::nullopt;
    }
    return std::move(body.bytes);
}

}  // namespace sonaris::host::art
