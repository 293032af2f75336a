// HTTP GET through WinINet, directly (never through a proxy), the response kept out of the
// system's cache. WinINet follows redirects and applies its own time-outs.
#include "platform/http/http.h"

#include <array>
#include <string>
#include <utility>

// clang-format off
#include <windows.h>
#include <wininet.h> // needs windows.h first
// clang-format on

namespace zelvoro::platform {

namespace {

constexpr DWORD read_size = 256;

class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle() {
        if (handle_ != nullptr) {
            InternetCloseHandle(handle_);
        }
    }

    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HINTERNET handle_;
};

// Reads until a read reports no bytes; a failing read reports none and so ends the body.
std::optional<std::string> read_body(HINTERNET request) {
    std::string body;
    std::array<char, read_size> buffer{};
    for (;;) {
        DWORD read = 0;
        InternetReadFile(request, buffer.data(), read_size, &read);
        if (read == 0) {
            return body;
        }
        if (read > http_body_limit - body.size()) {
            return std::nullopt;
        }
        body.append(buffer.data(), read);
    }
}

// The HTTP status of a response, 0 where there is none (another scheme).
DWORD status_of(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr)) {
        return 0;
    }
    return status;
}

// Statuses from here on tell of an error (client or server).
constexpr DWORD first_error_status = 400;

class WinInetHttpClient final : public HttpClient {
public:
    explicit WinInetHttpClient(Diagnostics& diagnostics) : diagnostics_(diagnostics) {}

    std::optional<std::string> get(std::string_view url, std::string_view user_agent) override {
        const std::string agent(user_agent);
        const std::string url_text(url);
        // Declared in this order, the request handle is closed before the internet handle.
        const InternetHandle internet(
            InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
        if (!internet) {
            return failed(url_text, "InternetOpenA failed with " + std::to_string(GetLastError()));
        }
        const InternetHandle request(InternetOpenUrlA(internet.get(), url_text.c_str(), nullptr, 0,
                                                      INTERNET_FLAG_NO_CACHE_WRITE, 0));
        if (!request) {
            return failed(url_text,
                          "InternetOpenUrlA failed with " + std::to_string(GetLastError()));
        }
        // The status is not examined, but one that tells of an error explains a page that does
        // not say what was asked.
        if (const DWORD status = status_of(request.get()); status >= first_error_status) {
            diagnostics_.failure("http GET " + url_text + ": HTTP status " +
                                 std::to_string(status));
        }
        auto body = read_body(request.get());
        if (!body) {
            return failed(url_text,
                          "the page exceeds " + std::to_string(http_body_limit) + " bytes");
        }
        return body;
    }

private:
    std::nullopt_t failed(const std::string& url, const std::string& why) const {
        diagnostics_.failure("http GET " + url + ": " + why);
        return std::nullopt;
    }

    Diagnostics& diagnostics_;
};

} // namespace

std::unique_ptr<HttpClient> make_system_http_client(Diagnostics& diagnostics,
                                                    std::chrono::milliseconds /*stall_timeout*/) {
    return std::make_unique<WinInetHttpClient>(diagnostics);
}

} // namespace zelvoro::platform
