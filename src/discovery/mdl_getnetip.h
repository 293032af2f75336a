// The download of the page that reports the caller's public address.
#pragma once

#include "platform/diagnostics.h"
#include "platform/http/http.h"

#include <string>
#include <string_view>

namespace zelvoro::discovery {

// Sent as the request's user agent (three spaces between the words).
inline constexpr std::string_view address_page_user_agent = "vb   wininet";

// The host the page is fetched from unless ZELVORO_IP_PAGE_HOST names another ("HOST" or
// "HOST:PORT").
inline constexpr std::string_view default_address_page_host = "ip.zelvoro.example";
inline constexpr std::string_view address_page_host_variable = "ZELVORO_IP_PAGE_HOST";

// "http://HOST/ips.asp".
std::string address_page_url(std::string_view host);

// The page address for this run, from the environment; read once when the program starts.
std::string address_page_url_from_environment();

// The page body decoded from code page 936 as a whole, or the empty text when no page came or
// the system cannot decode the code page. An empty page and a failed decoding leave a line in
// `diagnostics` (the client tells why no page came).
std::string fetch_address_page(platform::HttpClient& http, platform::Diagnostics& diagnostics,
                               std::string_view url);

} // namespace zelvoro::discovery
