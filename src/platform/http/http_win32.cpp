// HTTP GET through WinINet, directly (never through a proxy), the response kept out of the
// system's cache. Each request is opened on its own (InternetConnect, HttpOpenRequest) before
// it is sent, so that its connect, send and receive time-outs can be set on it (Wine applies
// only those set on the request itself) and so that its handle exists while it blocks.
// Redirects are followed here rather than by WinINet, so that they can be counted.
//
// The lookup runs on a thread of its own while the caller waits for it, at most until the
// deadline, and gives it up earlier once the process's committed memory has grown by
// memory_growth_limit: WinINet gathers a response's header lines itself, without a bound, and a
// server that sends them without end grows the process by megabytes a second (a real page
// grows it by a few kilobytes). Giving up closes the lookup's handles, the documented way to
// make a blocking WinINet call return. Wine's WinINet does not return then: its call goes on
// until the server stops or falls silent for the silence, so the caller does not wait for the
// lookup's thread once it has given it up; the thread ends alone.
#include "platform/http/http.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <initializer_list>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// clang-format off
#include <windows.h>
#include <psapi.h>   // needs windows.h first
#include <wininet.h> // needs windows.h first
// clang-format on

namespace zelvoro::platform {

namespace {

constexpr DWORD read_size = 256;
constexpr DWORD request_flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;
constexpr SIZE_T memory_growth_limit = 32 * 1024 * 1024;
// How often the waiting caller looks at the process's memory.
constexpr std::chrono::milliseconds watch_interval{20};

using Clock = std::chrono::steady_clock;

// The process's commit charge in bytes (Wine fills in this counter, not PrivateUsage, which
// Windows keeps equal to it); 0 when it cannot be read.
SIZE_T committed_memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)
               ? counters.PagefileUsage
               : 0;
}

// One lookup, shared by the thread that runs it and the caller that waits for it: its handles,
// closed once by whichever comes first, and its result.
class Lookup {
public:
    explicit Lookup(HINTERNET internet) : internet_(internet) {}
    Lookup(const Lookup&) = delete;
    Lookup& operator=(const Lookup&) = delete;
    ~Lookup() { give_up(); }

    HINTERNET internet() const { return internet_; }

    // `handle` (a connection's or a request's) becomes one of the current request's. False
    // when the lookup has been given up meanwhile: `handle` is closed then.
    bool adopt(HINTERNET handle) {
        const std::lock_guard lock(mutex_);
        if (given_up_) {
            InternetCloseHandle(handle);
            return false;
        }
        request_handles_.push_back(handle);
        return true;
    }

    // Closes the current request's handles before the next request.
    void end_request() {
        const std::lock_guard lock(mutex_);
        close_request_handles();
    }

    // Checked before every WinINet call of the lookup's thread, so that it does not go on with
    // handles closed under it.
    bool given_up() const {
        const std::lock_guard lock(mutex_);
        return given_up_;
    }

    // Closes every handle of the lookup, the internet handle last.
    void give_up() {
        const std::lock_guard lock(mutex_);
        if (given_up_) {
            return;
        }
        given_up_ = true;
        close_request_handles();
        if (internet_ != nullptr) {
            InternetCloseHandle(internet_);
        }
    }

    // Why the lookup's thread found no page, and the last response's status: read once it has
    // finished.
    void note_failure(std::string why) {
        const std::lock_guard lock(mutex_);
        failure_ = std::move(why);
    }
    void note_status(DWORD status) {
        const std::lock_guard lock(mutex_);
        status_ = status;
    }
    std::string failure() const {
        const std::lock_guard lock(mutex_);
        return failure_;
    }
    DWORD status() const {
        const std::lock_guard lock(mutex_);
        return status_;
    }

    // Called by the lookup's thread at its end.
    void finish(std::optional<std::string> body) {
        {
            const std::lock_guard lock(mutex_);
            body_ = std::move(body);
            finished_ = true;
        }
        finished_signal_.notify_one();
    }

    // True once the lookup has finished; false when `end` has passed first or the process's
    // committed memory has grown by memory_growth_limit over `memory_before`.
    bool wait(Clock::time_point end, SIZE_T memory_before) {
        std::unique_lock lock(mutex_);
        while (!finished_) {
            const auto now = Clock::now();
            if (now >= end || committed_memory() > memory_before + memory_growth_limit) {
                return false;
            }
            finished_signal_.wait_until(lock, std::min(end, now + watch_interval));
        }
        return true;
    }

    std::optional<std::string> take_body() {
        const std::lock_guard lock(mutex_);
        return std::move(body_);
    }

private:
    // The request's handle before its connection's.
    void close_request_handles() {
        for (auto handle = request_handles_.rbegin(); handle != request_handles_.rend(); ++handle) {
            InternetCloseHandle(*handle);
        }
        request_handles_.clear();
    }

    mutable std::mutex mutex_;
    std::condition_variable finished_signal_;
    std::string failure_;
    DWORD status_ = 0;
    HINTERNET internet_;
    std::vector<HINTERNET> request_handles_;
    bool given_up_ = false;
    bool finished_ = false;
    std::optional<std::string> body_;
};

// WinINet takes its time-outs in whole milliseconds as a DWORD; 0 would mean none.
DWORD milliseconds(std::chrono::milliseconds duration) {
    const auto count =
        std::clamp<long long>(duration.count(), 1, std::numeric_limits<DWORD>::max());
    return static_cast<DWORD>(count);
}

bool set_time_outs(HINTERNET handle, DWORD time_out) {
    for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                               INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        if (!InternetSetOptionA(handle, option, &time_out, sizeof time_out)) {
            return false;
        }
    }
    return true;
}

// The parts of an http or https address a request is opened with.
struct Target {
    std::string host;
    INTERNET_PORT port = 0;
    std::string path; // with its query
    bool secure = false;
};

std::optional<Target> target_of(const std::string& url) {
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    // A length without a buffer asks for a pointer into `url`.
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) ||
        parts.dwHostNameLength == 0) {
        return std::nullopt;
    }
    Target target{std::string(parts.lpszHostName, parts.dwHostNameLength), parts.nPort,
                  std::string(parts.lpszUrlPath, parts.dwUrlPathLength) +
                      std::string(parts.lpszExtraInfo, parts.dwExtraInfoLength),
                  parts.nScheme == INTERNET_SCHEME_HTTPS};
    if (target.path.empty() || target.path.front() != '/') {
        target.path.insert(0, 1, '/');
    }
    return target;
}

// A GET of `url` opened and sent on the lookup's handle: the request's handle, or null.
HINTERNET send_request(Lookup& lookup, const std::string& url, DWORD time_out) {
    const auto target = target_of(url);
    if (!target) {
        return nullptr;
    }
    const HINTERNET connection =
        InternetConnectA(lookup.internet(), target->host.c_str(), target->port, nullptr, nullptr,
                         INTERNET_SERVICE_HTTP, 0, 0);
    if (connection == nullptr || !lookup.adopt(connection)) {
        return nullptr;
    }
    const DWORD flags = request_flags | (target->secure ? INTERNET_FLAG_SECURE : 0);
    const HINTERNET request = HttpOpenRequestA(connection, "GET", target->path.c_str(), nullptr,
                                               nullptr, nullptr, flags, 0);
    if (request == nullptr || !lookup.adopt(request) || !set_time_outs(request, time_out) ||
        !HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
        return nullptr;
    }
    return request;
}

bool is_redirect(DWORD status) {
    return status == HTTP_STATUS_MOVED || status == HTTP_STATUS_REDIRECT ||
           status == HTTP_STATUS_REDIRECT_METHOD || status == HTTP_STATUS_REDIRECT_KEEP_VERB ||
           status == HTTP_STATUS_PERMANENT_REDIRECT;
}

// A header of the response as text; empty when it has none.
std::string header_text(HINTERNET request, DWORD header) {
    std::string text(256, '\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(text.size());
        if (HttpQueryInfoA(request, header, text.data(), &size, nullptr)) {
            text.resize(size);
            return text;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= text.size()) {
            return {};
        }
        text.resize(size);
    }
}

// Where the response sends the client: nothing when it is the page itself (no redirect, or a
// redirect without a Location); the empty text when its Location cannot be read against `url`.
std::optional<std::string> redirect_target(HINTERNET request, const std::string& url) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr) ||
        !is_redirect(status)) {
        return std::nullopt;
    }
    const std::string location = header_text(request, HTTP_QUERY_LOCATION);
    if (location.empty()) {
        return std::nullopt;
    }
    std::string target(INTERNET_MAX_URL_LENGTH, '\0');
    DWORD length = static_cast<DWORD>(target.size());
    if (!InternetCombineUrlA(url.c_str(), location.c_str(), target.data(), &length, 0)) {
        return std::string();
    }
    target.resize(length);
    return target;
}

// Reads until a read reports no bytes; a failing read reports none and so ends the body.
std::optional<std::string> read_body(Lookup& lookup, HINTERNET request) {
    std::string body;
    std::array<char, read_size> buffer{};
    while (!lookup.given_up()) {
        DWORD read = 0;
        InternetReadFile(request, buffer.data(), read_size, &read);
        if (read == 0) {
            return body;
        }
        if (read > http_body_limit - body.size()) {
            lookup.note_failure("the page exceeds " + std::to_string(http_body_limit) + " bytes");
            return std::nullopt;
        }
        body.append(buffer.data(), read);
    }
    return std::nullopt;
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

// The lookup itself, on its own thread.
std::optional<std::string> follow_redirects(Lookup& lookup, std::string url, DWORD time_out) {
    for (int redirects = 0; !lookup.given_up(); ++redirects) {
        const HINTERNET request = send_request(lookup, url, time_out);
        if (request == nullptr) {
            lookup.note_failure("the request failed with " + std::to_string(GetLastError()));
            return std::nullopt;
        }
        lookup.note_status(status_of(request));
        auto target = redirect_target(request, url);
        if (!target) {
            return read_body(lookup, request);
        }
        if (target->empty() || redirects == http_redirect_limit) {
            lookup.note_failure("more than " + std::to_string(http_redirect_limit) +
                                " redirects, or one without a target");
            return std::nullopt;
        }
        lookup.end_request();
        url = std::move(*target);
    }
    return std::nullopt;
}

class WinInetHttpClient final : public HttpClient {
public:
    WinInetHttpClient(Diagnostics& diagnostics, HttpLimits limits)
        : diagnostics_(diagnostics), limits_(limits) {}

    std::optional<std::string> get(std::string_view url, std::string_view user_agent) override {
        const auto end = Clock::now() + limits_.deadline;
        const SIZE_T memory_before = committed_memory();
        const std::string agent(user_agent);
        const auto lookup = std::make_shared<Lookup>(
            InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
        const std::string url_text(url);
        const DWORD time_out = milliseconds(limits_.silence);
        if (lookup->internet() == nullptr) {
            return failed(url_text, "InternetOpenA failed with " + std::to_string(GetLastError()));
        }
        if (!set_time_outs(lookup->internet(), time_out)) {
            return failed(url_text,
                          "InternetSetOptionA failed with " + std::to_string(GetLastError()));
        }
        std::thread thread([lookup, url_text, time_out] {
            lookup->finish(follow_redirects(*lookup, url_text, time_out));
        });
        if (lookup->wait(end, memory_before)) {
            thread.join();
            // The status is not examined, but one that tells of an error explains a page that
            // does not say what was asked.
            if (const DWORD status = lookup->status(); status >= first_error_status) {
                diagnostics_.failure("http GET " + url_text + ": HTTP status " +
                                     std::to_string(status));
            }
            auto body = lookup->take_body();
            if (!body) {
                return failed(url_text, lookup->failure());
            }
            return body;
        }
        lookup->give_up();
        thread.detach(); // it keeps its share of the lookup until it ends
        return failed(url_text, "given up: no page within the deadline, or the lookup's memory "
                                "grew without end");
    }

private:
    std::nullopt_t failed(const std::string& url, const std::string& why) const {
        diagnostics_.failure("http GET " + url + ": " + why);
        return std::nullopt;
    }

    Diagnostics& diagnostics_;
    HttpLimits limits_;
};

} // namespace

std::unique_ptr<HttpClient> make_system_http_client(Diagnostics& diagnostics, HttpLimits limits) {
    return std::make_unique<WinInetHttpClient>(diagnostics, limits);
}

} // namespace zelvoro::platform
