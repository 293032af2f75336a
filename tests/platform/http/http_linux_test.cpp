// What only the libcurl client promises: it never goes through a proxy.
#include "platform/http/http.h"
#include "support/loopback_http_server.h"
#include "support/scoped_environment.h"

#include <gtest/gtest.h>
#include <string>

namespace zelvoro::platform {
namespace {

using test_support::LoopbackHttpServer;

constexpr std::string_view agent = "vb   wininet";

TEST(platform_linux_http, ProxyVariablesAreIgnored) {
    const auto dead_proxy = test_support::LoopbackSocket::bound();
    const std::string proxy = "http://127.0.0.1:" + std::to_string(dead_proxy.port());
    const test_support::ScopedEnvironment http_proxy("http_proxy", proxy);
    const test_support::ScopedEnvironment all_proxy("ALL_PROXY", proxy);
    const test_support::ScopedEnvironment no_proxy("no_proxy", std::nullopt);
    const test_support::ScopedEnvironment no_proxy_upper("NO_PROXY", std::nullopt);
    const LoopbackHttpServer server({{"/ips.asp", test_support::http_response("direct")}});
    RecordedDiagnostics diagnostics;
    EXPECT_EQ(make_system_http_client(diagnostics)->get(server.url("/ips.asp"), agent), "direct");
}

} // namespace
} // namespace zelvoro::platform
