#include "discovery/mdl_getnetip.h"

#include "platform/code_page_936.h"
#include "platform/environment.h"
#include "platform/platform_error.h"

namespace zelvoro::discovery {

std::string address_page_url(std::string_view host) {
    return "http://" + std::string(host) + "/ips.asp";
}

std::string address_page_url_from_environment() {
    const auto host = platform::environment_variable(address_page_host_variable);
    return address_page_url(host && !host->empty() ? *host : default_address_page_host);
}

std::string fetch_address_page(platform::HttpClient& http, platform::Diagnostics& diagnostics,
                               std::string_view url) {
    const auto body = http.get(url, address_page_user_agent);
    if (!body) {
        return {};
    }
    if (body->empty()) {
        diagnostics.failure("the address page " + std::string(url) + " came empty");
    }
    try {
        return platform::utf8_from_cp936(*body);
    } catch (const platform::PlatformError& error) {
        diagnostics.failure("the address page " + std::string(url) +
                            " cannot be decoded from code page 936: " + error.what());
        return {};
    }
}

} // namespace zelvoro::discovery
