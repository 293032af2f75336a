#include "discovery/address_page.h"
#include "discovery/mdl_getnetip.h"
#include "support/loopback_http_server.h"
#include "support/scoped_environment.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::discovery {
namespace {

using test_support::LoopbackHttpServer;

// The page as served (code page 936): 249 bytes of filler put the pair of "地" across the
// 256-byte reads of the Windows client, and the chunks of two bytes after the first 250
// split every double-byte character of the start marker between two chunks.
std::string served_page() {
    return std::string(249, ' ') + "\xC4\xFA\xB5\xC4IP\xB5\xD8\xD6\xB7\xCA\xC7\xA3\xBA[" +
           "203.0.113.7] \xC0\xB4\xD7\xD4\xA3\xBA\xC4\xB3\xB5\xD8<br/>";
}

std::vector<std::string> split_for_chunks(const std::string& page) {
    std::vector<std::string> parts = {page.substr(0, 250)};
    for (std::size_t at = 250; at < page.size(); at += 2) {
        parts.push_back(page.substr(at, 2));
    }
    return parts;
}

TEST(discovery_fetch_address_page, DecodesThePageWholeWhateverItsPieces) {
    const std::string page = served_page();
    const LoopbackHttpServer server(
        {{"/ips.asp", test_support::chunked_http_response(split_for_chunks(page))}});
    platform::RecordedDiagnostics diagnostics;
    const auto http = platform::make_system_http_client(diagnostics);
    const std::string text = fetch_address_page(*http, diagnostics, server.url("/ips.asp"));
    EXPECT_EQ(text, std::string(249, ' ') + "您的IP地址是：[203.0.113.7] 来自：某地<br/>");
    const AddressPage read = read_address_page(text);
    EXPECT_EQ(read.verdict, AddressPage::Verdict::found);
    EXPECT_EQ(read.address, "203.0.113.7");
    EXPECT_EQ(read.location, "某地");
    const auto heads = server.request_heads();
    ASSERT_EQ(heads.size(), 1U);
    EXPECT_NE(heads[0].find("\r\nUser-Agent: vb   wininet\r\n"), std::string::npos) << heads[0];
}

TEST(discovery_fetch_address_page, NoConnectionGivesTheEmptyText) {
    const auto closed = test_support::LoopbackSocket::bound();
    platform::RecordedDiagnostics diagnostics;
    const auto http = platform::make_system_http_client(diagnostics);
    EXPECT_EQ(fetch_address_page(*http, diagnostics,
                                 address_page_url("127.0.0.1:" + std::to_string(closed.port()))),
              "");
}

TEST(discovery_address_page_url, HostFromTheEnvironment) {
    struct UrlCase {
        std::optional<std::string> variable;
        std::string_view url;
    };
    const std::vector<UrlCase> cases = {
        {std::nullopt, "http://ip.zelvoro.example/ips.asp"},
        {"", "http://ip.zelvoro.example/ips.asp"},
        {"127.0.0.1:8080", "http://127.0.0.1:8080/ips.asp"},
        {"ip.example.net", "http://ip.example.net/ips.asp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variable.value_or("(not set)"));
        const test_support::ScopedEnvironment host(std::string(address_page_host_variable),
                                                   c.variable);
        EXPECT_EQ(address_page_url_from_environment(), c.url);
    }
}

} // namespace
} // namespace zelvoro::discovery
