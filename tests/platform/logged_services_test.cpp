// ZELVORO_LOG=debug: every service call leaves one line with what was asked, what came back and
// how long it took; a call that throws leaves its reason and the exception goes on.
#include "platform/logged_services.h"
#include "support/fake_services.h"

#include <functional>
#include <gtest/gtest.h>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

using namespace std::chrono_literals;

TEST(platform_logged_services, OneLinePerCall) {
    fakes::FakeServices fakes;
    fakes.echo.answers = [](const Ipv4Address& address) { return address.octets[3] == 1; };
    LoggedServices logged(fakes.services);
    Services& services = logged.services();
    const std::vector<Ipv4Address> two = {{{192, 0, 2, 1}}, {{192, 0, 2, 2}}};
    struct Case {
        std::string name;
        std::function<void()> call;
        std::string line; // before " (N.NNN ms)"
    };
    const std::vector<Case> cases = {
        {"echo", [&] { services.echo.echo_all(two, 5ms); },
         "echo to 2 addresses, timeout 5 ms: 1 answered"},
        {"http", [&] { services.http.get("http://192.0.2.9/ips.asp", "agent"); },
         "http GET \"http://192.0.2.9/ips.asp\": no page"},
        {"adapters", [&] { services.adapters.ip_enabled_adapters(); },
         "adapter query: 0 IP-enabled adapters"},
        {"neighbours", [&] { services.neighbours.confirmed(two, 15ms); },
         "neighbours of 2 addresses confirmed within 15 ms: 0 confirmed"},
        {"shell", [&] { services.shell.open("\\\\192.0.2.1"); },
         "shell open \"\\\\192.0.2.1\": done"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.call();
        const auto lines = fakes.diagnostics.take();
        ASSERT_EQ(lines.size(), 1U);
        EXPECT_EQ(lines[0].substr(0, c.line.size()), c.line);
        EXPECT_TRUE(std::regex_match(lines[0].substr(c.line.size()),
                                     std::regex(R"( \([0-9]+\.[0-9]{3} ms\))")))
            << lines[0];
    }
    EXPECT_EQ(fakes.shell.opened, std::vector<std::string>{"\\\\192.0.2.1"});
}

TEST(platform_logged_services, AFailingCallIsLoggedAndGoesOn) {
    fakes::FakeServices fakes;
    fakes.echo.answers = [](const Ipv4Address&) -> bool { throw std::runtime_error("broken"); };
    LoggedServices logged(fakes.services);
    const std::vector<Ipv4Address> one = {{{192, 0, 2, 1}}};
    EXPECT_THROW(logged.services().echo.echo_all(one, 5ms), std::runtime_error);
    const auto lines = fakes.diagnostics.take();
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0].rfind("echo to 1 addresses, timeout 5 ms raised: broken (", 0), 0U)
        << lines[0];
}

} // namespace
} // namespace zelvoro::platform
