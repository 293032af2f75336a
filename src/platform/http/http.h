// One HTTP GET of a page, the body returned as the bytes the server sent.
#pragma once

#include "platform/diagnostics.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zelvoro::platform {

// A body longer than this counts as no page at all (the real page is well under 1 KiB).
inline constexpr std::size_t http_body_limit = 64 * 1024;
// A moved page takes one or two redirects; a request that would follow more is given up.
inline constexpr int http_redirect_limit = 5;

// How long a lookup may take, whatever the server does.
struct HttpLimits {
    // The whole lookup, redirects included, ends within this time.
    std::chrono::milliseconds deadline = std::chrono::seconds(30);
    // A connection not made within this time, or a server that sends nothing for this long,
    // is given up before the deadline.
    std::chrono::milliseconds silence = std::chrono::seconds(30);
};

class HttpClient {
public:
    virtual ~HttpClient() = default;
    // GET `url` with `user_agent`, directly (never through a proxy) and without caching the
    // response; up to http_redirect_limit redirects are followed and the status is not
    // examined. The body's bytes as they arrived, or nothing when no connection could be made,
    // the transfer failed, the limits ran out, the response's head grew without end, or the
    // body exceeded http_body_limit. (On Windows a read that fails before the deadline ends
    // the body: the bytes read until then are the body.)
    virtual std::optional<std::string> get(std::string_view url, std::string_view user_agent) = 0;
};

// Linux: libcurl, where silence is counted in whole seconds (at least one) and means less
// than one byte a second. Windows: WinINet, with its connect, send and receive time-outs set
// to the silence, on a thread the caller gives up at the deadline, or sooner when the process's
// memory grows without end.
// Why a GET gave no page (the library's error), and a status of 400 or more, go to
// `diagnostics`.
std::unique_ptr<HttpClient> make_system_http_client(Diagnostics& diagnostics,
                                                    HttpLimits limits = {});

} // namespace zelvoro::platform
