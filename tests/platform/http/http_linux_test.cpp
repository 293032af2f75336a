// What only the libcurl client promises: it gives up on a silent server after the stall
// timeout, and it never goes through a proxy.
#include "platform/http/http.h"
#include "support/loopback_http_server.h"
#include "support/scoped_environment.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>

namespace zelvoro::platform {
namespace {

using namespace std::chrono_literals;
using test_support::LoopbackHttpServer;

constexpr std::string_view agent = "vb   wininet";

TEST(platform_linux_http, SilentServerIsGivenUpAfterTheStallTimeout) {
    const LoopbackHttpServer server({{"/ips.asp", test_support::HttpReply{{}, true}}});
    const auto started = std::chrono::steady_clock::now();
    RecordedDiagnostics diagnostics;
    EXPECT_EQ(make_system_http_client(diagnostics, 1s)->get(server.url("/ips.asp"), agent),
              std::nullopt);
    // Far below the default 30 s, however busy the machine.
    EXPECT_LT(std::chrono::steady_clock::now() - started, 15s);
}

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
