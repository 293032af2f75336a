// One HTTP GET of a page, the body returned as the bytes the server sent.
#pragma once

#include "platform/diagnostics.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zelvoro::platform {

// A body longer than this counts as no page at all.
inline constexpr std::size_t http_body_limit = 1024 * 1024;

class HttpClient {
public:
    virtual ~HttpClient() = default;
    // GET `url` with `user_agent`, directly (never through a proxy) and without caching the
    // response; redirects are followed and the status is not examined. The body's bytes as
    // they arrived, or nothing when no connection could be made, the transfer failed, or the
    // body exceeded http_body_limit. (On Windows a read that fails ends the body: the bytes
    // read until then are the body.)
    virtual std::optional<std::string> get(std::string_view url, std::string_view user_agent) = 0;
};

// Linux: libcurl; a connection not made within `stall_timeout`, or a transfer that moves less
// than one byte a second for `stall_timeout` (counted in whole seconds, at least one), is
// given up.
// Windows: WinINet with its own time-outs (`stall_timeout` is not used there).
// Why a GET gave no page (the library's error), and a status of 400 or more, go to
// `diagnostics`.
std::unique_ptr<HttpClient>
make_system_http_client(Diagnostics& diagnostics,
                        std::chrono::milliseconds stall_timeout = std::chrono::seconds(30));

} // namespace zelvoro::platform
