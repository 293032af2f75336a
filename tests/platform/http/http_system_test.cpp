// The system's HTTP client (libcurl on Linux, WinINet on Windows) against a server on
// 127.0.0.1.
#include "platform/http/http.h"
#include "support/loopback_http_server.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

using namespace std::chrono_literals;
using test_support::HttpReply;
using test_support::LoopbackHttpServer;

constexpr std::string_view agent = "vb   wininet";

std::string step_path(int step) {
    std::string path(1, '/'); // "/" + text trips GCC 12's -Wrestrict
    return path += std::to_string(step);
}

// The pages of a chain of redirects: "/N" moves to "/N+1" up to "/last", which is the page.
std::map<std::string, HttpReply, std::less<>> redirect_chain(int last) {
    std::map<std::string, HttpReply, std::less<>> replies;
    for (int step = 0; step < last; ++step) {
        replies[step_path(step)] = test_support::http_response(
            "moved", "302 Found", "Location: " + step_path(step + 1) + "\r\n");
    }
    replies[step_path(last)] = test_support::http_response("the page");
    return replies;
}

struct BodyCase {
    std::string name;
    HttpReply reply;
    std::optional<std::string> expected;
    std::string logged = {}; // the end of the one diagnostics line expected, if any
};

// The diagnostics lines, each without the "http GET URL: " every line starts with.
std::vector<std::string> reasons(RecordedDiagnostics& diagnostics, const std::string& url) {
    std::vector<std::string> found;
    for (const std::string& line : diagnostics.take()) {
        const std::string start = "http GET " + url + ": ";
        EXPECT_EQ(line.rfind(start, 0), 0U) << line;
        found.push_back(line.substr(std::min(start.size(), line.size())));
    }
    return found;
}

TEST(platform_system_http, BodiesAsSent) {
    const std::string gbk_page = "\xC4\xFA\xB5\xC4IP\xB5\xD8\xD6\xB7\xCA\xC7\xA3\xBA[192.0.2.1]";
    const std::string at_limit(http_body_limit, 'x');
    const std::vector<BodyCase> cases = {
        {"code page 936 bytes in one piece", test_support::http_response(gbk_page), gbk_page},
        {"an empty body", test_support::http_response(""), ""},
        {"tiny chunks", test_support::chunked_http_response({"\xC4", "\xFA\xB5", "\xC4", "IP"}),
         "\xC4\xFA\xB5\xC4IP"},
        {"the status is not examined", test_support::http_response("gone", "404 Not Found"), "gone",
         "HTTP status 404"},
        {"a body as long as allowed", test_support::http_response(at_limit), at_limit},
        {"a body one byte too long", test_support::http_response(at_limit + "x"), std::nullopt,
         "the page exceeds 65536 bytes"},
        {"a redirect is followed",
         test_support::http_response("moved", "302 Found", "Location: /page\r\n"), "the page"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LoopbackHttpServer server(
            {{"/ips.asp", c.reply}, {"/page", test_support::http_response("the page")}});
        RecordedDiagnostics diagnostics;
        EXPECT_EQ(make_system_http_client(diagnostics)->get(server.url("/ips.asp"), agent),
                  c.expected);
        const auto logged = reasons(diagnostics, server.url("/ips.asp"));
        EXPECT_EQ(logged, c.logged.empty() ? std::vector<std::string>{}
                                           : std::vector<std::string>{c.logged});
    }
}

TEST(platform_system_http, FollowsFiveRedirectsButNotSix) {
    const LoopbackHttpServer server(redirect_chain(http_redirect_limit + 1));
    RecordedDiagnostics diagnostics;
    EXPECT_EQ(make_system_http_client(diagnostics)->get(server.url("/1"), agent), "the page");
    EXPECT_EQ(make_system_http_client(diagnostics)->get(server.url("/0"), agent), std::nullopt);
    EXPECT_EQ(server.request_heads().size(), 6U + 6U); // no request after the sixth
}

struct HostileCase {
    std::string name;
    HttpReply reply;
    HttpLimits limits;
};

// Each lookup ends with no page, by the limit its case names: never by the one set far off.
TEST(platform_system_http, HostileServersAreGivenUp) {
    const HttpLimits deadline{1s, 5min};
    const HttpLimits silence{5min, 1s};
    const HttpLimits caps{5min, 5min};
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n";
    std::string header_lines;
    for (int line = 0; line < 64; ++line) {
        header_lines += "X-Filler: " + std::string(54, 'h') + "\r\n";
    }
    const std::vector<HostileCase> cases = {
        {"silent: the deadline", {{}, true}, deadline},
        {"silent: the silence", {{}, true}, silence},
        {"a head, then nothing: the deadline", {{head}, true}, deadline},
        {"a head, then nothing: the silence", {{head}, true}, silence},
        {"a body trickling in", {{head, "x"}, false, true, 100ms}, deadline},
        {"a header line trickling in",
         {{"HTTP/1.1 200 OK\r\nX-Slow: ", "x"}, false, true, 100ms},
         deadline},
        {"header lines without end", {{"HTTP/1.1 200 OK\r\n", header_lines}, false, true}, caps},
        {"a body without end",
         {{"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", std::string(4096, 'b')}, false, true},
         caps},
        {"a redirect loop", test_support::http_response("", "302 Found", "Location: /ips.asp\r\n"),
         caps},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LoopbackHttpServer server({{"/ips.asp", c.reply}});
        const auto started = std::chrono::steady_clock::now();
        RecordedDiagnostics diagnostics;
        // No page, or on Windows an empty one when a read fails: either is the failure box.
        EXPECT_EQ(make_system_http_client(diagnostics, c.limits)
                      ->get(server.url("/ips.asp"), agent)
                      .value_or(""),
                  "");
        // Only to tell an end from a hang: far below the limits set far off.
        EXPECT_LT(std::chrono::steady_clock::now() - started, 60s);
        EXPECT_LE(server.request_heads().size(), 1U + http_redirect_limit);
    }
}

TEST(platform_system_http, SendsTheUserAgentAsGiven) {
    const LoopbackHttpServer server({{"/ips.asp", test_support::http_response("page")}});
    RecordedDiagnostics diagnostics;
    ASSERT_TRUE(make_system_http_client(diagnostics)->get(server.url("/ips.asp"), agent));
    const auto heads = server.request_heads();
    ASSERT_EQ(heads.size(), 1U);
    EXPECT_EQ(heads[0].rfind("GET /ips.asp HTTP/1.1\r\n", 0), 0U) << heads[0];
    EXPECT_NE(heads[0].find("\r\nUser-Agent: vb   wininet\r\n"), std::string::npos) << heads[0];
}

// The library's own words say why (libcurl's text, WinINet's error number).
TEST(platform_system_http, RefusedConnectionIsNoPageWithItsReason) {
    const auto closed = test_support::LoopbackSocket::bound();
    const std::string url = "http://127.0.0.1:" + std::to_string(closed.port()) + "/ips.asp";
    RecordedDiagnostics diagnostics;
    EXPECT_EQ(make_system_http_client(diagnostics)->get(url, agent), std::nullopt);
    const auto logged = reasons(diagnostics, url);
    ASSERT_EQ(logged.size(), 1U);
    EXPECT_FALSE(logged.front().empty());
}

} // namespace
} // namespace zelvoro::platform
