// HTTP GET through libcurl, set up like the Windows internet library's direct mode: no proxy
// whatever the proxy variables say, redirects followed, the status not examined. libcurl keeps
// no cache of its own, so nothing is cached. libcurl ends the whole transfer at the deadline,
// whatever the server sends.
#include "platform/http/http.h"

#include <curl/curl.h>

namespace zelvoro::platform {

namespace {

// A transfer is silent while it moves less than this many bytes a second.
constexpr long silent_bytes_per_second = 1;
// Statuses from here on tell of an error (client or server).
constexpr long first_error_status = 400;
// The header lines of every response of one lookup together: a real head takes a few hundred
// bytes; a server that sends header lines without end is given up here.
constexpr std::size_t head_limit = 64 * 1024;

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

// Counts the header bytes of the lookup's responses.
std::size_t count_head(char* /*data*/, std::size_t size, std::size_t count, void* head_pointer) {
    auto& head_size = *static_cast<std::size_t*>(head_pointer);
    const std::size_t length = size * count;
    if (length > head_limit - head_size) {
        head_size = head_limit + 1; // tells the refusal from the body's
        return 0;                   // too long: libcurl ends the transfer with an error
    }
    head_size += length;
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

// libcurl takes 0 for "no time-out": the shortest time it can be given is 1 ms.
long milliseconds(std::chrono::milliseconds duration) {
    return duration.count() < 1 ? 1L : static_cast<long>(duration.count());
}

// What one transfer collects.
struct Received {
    std::string body;
    std::size_t head_size = 0;
};

class CurlHttpClient final : public HttpClient {
public:
    CurlHttpClient(Diagnostics& diagnostics, HttpLimits limits)
        : diagnostics_(diagnostics), limits_(limits) {}

    std::optional<std::string> get(std::string_view url, std::string_view user_agent) override {
        const std::string url_text(url);
        if (!curl_ready()) {
            return failed(url_text, "libcurl cannot be initialised");
        }
        const std::unique_ptr<CURL, EasyCleanup> easy(curl_easy_init());
        const std::string agent(user_agent);
        Received received;
        char error[CURL_ERROR_SIZE] = "";
        if (!easy || !configure(easy.get(), url_text, agent, received) ||
            !set(easy.get(), CURLOPT_ERRORBUFFER, error)) {
            return failed(url_text, "libcurl cannot be set up");
        }
        if (const CURLcode code = curl_easy_perform(easy.get()); code == CURLE_WRITE_ERROR) {
            return failed(url_text, // collect() or count_head() refused the rest
                          received.head_size > head_limit
                              ? "the response headers exceed " + std::to_string(head_limit) + " bytes"
                              : "the page exceeds " + std::to_string(http_body_limit) + " bytes");
        } else if (code != CURLE_OK) {
            return failed(url_text,
                          curl_easy_strerror(code) + std::string(*error ? ": " : "") + error);
        }
        log_error_status(easy.get(), url_text);
        return std::move(received.body);
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
                   Received& received) const {
        return set(easy, CURLOPT_URL, url.c_str()) && set(easy, CURLOPT_USERAGENT, agent.c_str()) &&
               // An empty proxy turns off every proxy, the environment's included.
               set(easy, CURLOPT_PROXY, "") && set(easy, CURLOPT_NOPROXY, "*") &&
               set(easy, CURLOPT_PROTOCOLS_STR, "http,https") &&
               set(easy, CURLOPT_FOLLOWLOCATION, 1L) &&
               set(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") &&
               set(easy, CURLOPT_MAXREDIRS, static_cast<long>(http_redirect_limit)) &&
               set(easy, CURLOPT_NOSIGNAL, 1L) &&
               set(easy, CURLOPT_TIMEOUT_MS, milliseconds(limits_.deadline)) &&
               set(easy, CURLOPT_CONNECTTIMEOUT_MS, milliseconds(limits_.silence)) &&
               set(easy, CURLOPT_LOW_SPEED_LIMIT, silent_bytes_per_second) &&
               set(easy, CURLOPT_LOW_SPEED_TIME, whole_seconds(limits_.silence)) &&
               set(easy, CURLOPT_HEADERFUNCTION, &count_head) &&
               set(easy, CURLOPT_HEADERDATA, &received.head_size) &&
               set(easy, CURLOPT_WRITEFUNCTION, &collect) &&
               set(easy, CURLOPT_WRITEDATA, &received.body);
    }

    Diagnostics& diagnostics_;
    HttpLimits limits_;
};

} // namespace

std::unique_ptr<HttpClient> make_system_http_client(Diagnostics& diagnostics, HttpLimits limits) {
    return std::make_unique<CurlHttpClient>(diagnostics, limits);
}

} // namespace zelvoro::platform
