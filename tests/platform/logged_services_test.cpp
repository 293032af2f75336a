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
        {"neighbours", [&] { services.neighbours.watch(two, {}, {}); },
         "presence watch of 2 addresses: begun"},
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

// Keeps the sink of the watch it begins, so that the test proves and ends as a system would.
class KeptSink final : public NeighbourService {
public:
    std::unique_ptr<PresenceWatch> watch(std::span<const Ipv4Address>, const LateWindows&,
                                         PresenceSink given) override {
        sink = std::move(given);
        return std::make_unique<Proving>();
    }
    PresenceSink sink;

private:
    struct Proving final : PresenceWatch {
        std::vector<Neighbour> sweep_ended(std::span<const Ipv4Address>) override {
            return {{{{192, 0, 2, 1}}, {}}};
        }
    };
};

TEST(platform_logged_services, AWatchLogsTheSweepsEndAndCountsLateProofsAtItsEnd) {
    fakes::FakeServices fakes;
    KeptSink neighbours;
    const Services& faked = fakes.services;
    const Services with_kept{faked.shell,    faked.echo, faked.address_table, faked.http,
                             faked.adapters, neighbours, faked.names,         faked.diagnostics};
    LoggedServices logged(with_kept);
    std::vector<std::string> passed;
    const std::vector<Ipv4Address> range = {{{192, 0, 2, 1}}, {{192, 0, 2, 2}}, {{192, 0, 2, 3}}};
    const auto watch = logged.services().neighbours.watch(
        range, {},
        {[&](const Neighbour& n) { passed.push_back(to_dotted_quad(n.address)); },
         [&] { passed.push_back("ended"); }});
    EXPECT_EQ(watch->sweep_ended(std::span(range).subspan(1)).size(), 1U);
    neighbours.sink.proven({{{192, 0, 2, 2}}, {}});
    neighbours.sink.proven({{{192, 0, 2, 3}}, {}});
    neighbours.sink.ended();
    EXPECT_EQ(passed, (std::vector<std::string>{"192.0.2.2", "192.0.2.3", "ended"}));
    const auto lines = fakes.diagnostics.take();
    const std::vector<std::string> expected = {"presence watch of 3 addresses: begun",
                                               "presence at the sweep's end, 2 silent: 1 proven",
                                               "presence window ended: 2 proven late"};
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].substr(0, expected[i].size()), expected[i]);
        EXPECT_TRUE(std::regex_match(lines[i].substr(expected[i].size()),
                                     std::regex(R"( \([0-9]+\.[0-9]{3} ms\))")))
            << lines[i];
    }
}

TEST(platform_logged_services, ALookupLogsWhatItAddsAndCountsItsNamesAtItsEnd) {
    fakes::FakeServices fakes;
    LoggedServices logged(fakes.services);
    const Ipv4Address host{{192, 0, 2, 7}};
    std::vector<FoundName> passed;
    auto lookup =
        logged.services().names.look_up({{host}, {{host, {{192, 0, 2, 1}}}}}, 2000ms,
                                        [&](const FoundName& found) { passed.push_back(found); });
    ASSERT_TRUE(fakes.names.name_late({host, "nas", NameSource::mdns}));
    lookup->add({{{{192, 0, 2, 8}}}, {}});
    lookup.reset();
    EXPECT_EQ(passed, (std::vector<FoundName>{{host, "nas", NameSource::mdns}}));
    const auto lines = fakes.diagnostics.take();
    const std::vector<std::string> expected = {
        "name lookup of 1 reverse, 1 link-local, limit 2000 ms: begun (",
        "name lookup adds 1 reverse, 0 link-local", "name lookup cancelled: 1 names ("};
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].substr(0, expected[i].size()), expected[i]);
    }
}

} // namespace
} // namespace zelvoro::platform
