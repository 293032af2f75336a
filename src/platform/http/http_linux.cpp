// HTTP GET through libcurl, set up like the Windows internet library's direct mode: no proxy
// whatever the proxy variables say, redirects followed, the status not examined. libcurl keeps
// no cache of its own, so nothing is cached.
#include "platform/http/http.h"

#include <curl/curl.h>

namespace zelvoro::platform {

namespace {

// A moved page takes one or two redirects; more than this is taken for a loop.
constexpr long max_redirects = 5;
// A transfer is silent while it moves less than this many bytes a second.
constexpr long silent_bytes_per_second = 1;
// Statuses from here on tell of an error (client or server).
constexpr long first_error_status = 400;

bool curl_ready() {
    // Initialised once for the whole process (thread-safely) and never cleaned up: other
    // threads may still be using libcurl when the program ends.
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

struct EasyCleanup {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

std::size_t collect(char* data, std::size_t size, std::size_t count, void* body_pointer) {
    auto& body = *static_cast<std::string*>(body_pointer);
    const std::size_t length = size * count;
    if (length > http_body_limit - body.size()) {
        return 0; // too long: libcurl ends the transfer with an error
    }
    body.append(data, length);
    return length;
}

template <typename Value> bool set(CURL* easy, CURLoption option, Value value) {
    return curl_easy_setopt(easy, option, value) == CURLE_OK;
}

// libcurl measures silence in whole seconds; a shorter time counts as one second.
long whole_seconds(std::chrono::milliseconds duration) {
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(duration).count();
    return seconds < 1 ? 1L : static_cast<long>(seconds);
}

class CurlHttpClient final : public HttpClient {
public:
    CurlHttpClient(Diagnostics& diagnostics, std::chrono::milliseconds stall_timeout)
        : diagnostics_(diagnostics), stall_timeout_(stall_timeout) {}

    std::optional<std::string> get(std::string_view url, std::string_view user_agent) override {
        const std::string url_text(url);
        if (!curl_ready()) {
            return failed(url_text, "libcurl cannot be initialised");
        }
        const std::unique_ptr<CURL, EasyCleanup> easy(curl_easy_init());
        const std::string agent(user_agent);
        std::string body;
        char error[CURL_ERROR_SIZE] = "";
        if (!easy || !configure(easy.get(), url_text, agent, body) ||
            !set(easy.get(), CURLOPT_ERRORBUFFER, error)) {
            return failed(url_text, "libcurl cannot be set up");
        }
        if (const CURLcode code = curl_easy_perform(easy.get()); code == CURLE_WRITE_ERROR) {
            return failed(url_text, // collect() refused the rest
                          "the page exceeds " + std::to_string(http_body_limit) + " bytes");
        } else if (code != CURLE_OK) {
            return failed(url_text,
                          curl_easy_strerror(code) + std::string(*error ? ": " : "") + error);
        }
        log_error_status(easy.get(), url_text);
        return body;
    }

private:
    std::nullopt_t failed(const std::string& url, const std::string& why) const {
        diagnostics_.failure("http GET " + url + ": " + why);
        return std::nullopt;
    }

    // The status is not examined, but one that tells of an error explains a page that does not
    // say what was asked.
    void log_error_status(CURL* easy, const std::string& url) const {
        long status = 0;
        if (curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK &&
            status >= first_error_status) {
            diagnostics_.failure("http GET " + url + ": HTTP status " + std::to_string(status));
        }
    }

    bool configure(CURL* easy, const std::string& url, const std::string& agent,
                   std::string& body) const {
        return set(easy, CURLOPT_URL, url.c_str()) && set(easy, CURLOPT_USERAGENT, agent.c_str()) &&
               // An empty proxy turns off every proxy, the environment's included.
               set(easy, CURLOPT_PROXY, "") && set(easy, CURLOPT_NOPROXY, "*") &&
               set(easy, CURLOPT_PROTOCOLS_STR, "http,https") &&
               set(easy, CURLOPT_FOLLOWLOCATION, 1L) &&
               set(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") &&
               set(easy, CURLOPT_MAXREDIRS, max_redirects) && set(easy, CURLOPT_NOSIGNAL, 1L) &&
               set(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(stall_timeout_.count())) &&
               set(easy, CURLOPT_LOW_SPEED_LIMIT, silent_bytes_per_second) &&
               set(easy, CURLOPT_LOW_SPEED_TIME, whole_seconds(stall_timeout_)) &&
               set(easy, CURLOPT_WRITEFUNCTION, &collect) && set(easy, CURLOPT_WRITEDATA, &body);
    }

    Diagnostics& diagnostics_;
    std::chrono::milliseconds stall_timeout_;
};

} // namespace

std::unique_ptr<HttpClient> make_system_http_client(Diagnostics& diagnostics,
                                                    std::chrono::milliseconds stall_timeout) {
    return std::make_unique<CurlHttpClient>(diagnostics, stall_timeout);
}

} // namespace zelvoro::platform
