// The echo service's side of the echo helper, against helpers made of shell scripts: what it
// hands a helper, and that a helper that is missing, refuses, dies, is late or says anything
// but the lines asked for leaves the sweep "not permitted", a late one killed. The same for ARP
// presence requests: devices handed on as their lines arrive, anything else a failure.
#include "platform/echo_helper_linux.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace zelvoro::platform {
namespace {

using std::chrono::milliseconds;
using testing_support::read_bytes;
using testing_support::TempFolder;
using testing_support::write_bytes;

constexpr milliseconds short_margin{300};

Ipv4Address address(std::uint8_t c, std::uint8_t d) {
    return {{192, 0, c, d}};
}

class platform_echo_helper : public testing::Test {
protected:
    // A helper that runs `body` with /bin/sh, in the test's folder.
    std::filesystem::path helper(const std::string& body) {
        const auto path = folder_.path() / "helper";
        write_bytes(path, "#!/bin/sh\ncd '" + folder_.path().string() + "' || exit 9\n" + body);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }

    TempFolder folder_;
};

TEST_F(platform_echo_helper, HandsEachRangeToAHelperRunAndJoinsTheAnswers) {
    // Answers the first address of every range and keeps its requests and environment.
    const auto path = helper(R"(read start end timeout
cat >> requests
echo "$start $end $timeout" >> requests
env >> environment
echo "$start answered 700"
prefix=${start%.*}
octet=$((${start##*.} + 1))
while [ "$octet" -le "$end" ]; do echo "$prefix.$octet silent"; octet=$((octet + 1)); done
)");
    const test_support::ScopedEnvironment log("ZELVORO_LOG", "debug");
    const test_support::ScopedEnvironment other("ZELVORO_IP_PAGE_HOST", "192.0.2.80");
    const std::vector<Ipv4Address> addresses = {address(2, 1), address(2, 2), address(2, 3),
                                                address(9, 7)};
    const auto result = echo_through_helper(path, addresses, milliseconds(5), short_margin);
    EXPECT_TRUE(result.permitted);
    EXPECT_EQ(result.status, (std::vector<std::uint32_t>{echo_answered, echo_timed_out,
                                                         echo_timed_out, echo_answered}));
    EXPECT_EQ(result.round_trip,
              (std::vector<std::chrono::nanoseconds>{
                  std::chrono::nanoseconds(700), {}, {}, std::chrono::nanoseconds(700)}));
    EXPECT_EQ(read_bytes(folder_.path() / "requests"), "192.0.2.1 3 5\n192.0.9.7 7 5\n");
    const std::string environment = read_bytes(folder_.path() / "environment");
    EXPECT_NE(environment.find("ZELVORO_LOG=debug\n"), std::string::npos);
    EXPECT_EQ(environment.find("ZELVORO_IP_PAGE_HOST"), std::string::npos);
}

TEST_F(platform_echo_helper, LateHelperIsKilledAndTheSweepNotPermitted) {
    const auto path = helper("echo $$ > pid\nexec sleep 30\n");
    const auto began = std::chrono::steady_clock::now();
    const auto result =
        echo_through_helper(path, std::vector{address(2, 1)}, milliseconds(5), short_margin);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(10));
    EXPECT_FALSE(result.permitted);
    const pid_t pid = std::stoi(read_bytes(folder_.path() / "pid"));
    EXPECT_EQ(::kill(pid, 0), -1); // killed and reaped
    EXPECT_EQ(errno, ESRCH);
}

TEST_F(platform_echo_helper, HelperThatFailsOrMisanswersLeavesTheSweepNotPermitted) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"refuses", "echo refused >&2; exit 2\n"},
        {"dies", "echo '192.0.2.1 answered'; kill -9 $$\n"},
        {"answers, then fails", "echo '192.0.2.1 answered'; exit 3\n"},
        {"answers another address", "echo '192.0.2.2 answered'\n"},
        {"closes its output and stays", "exec >&-; exec sleep 30\n"},
    };
    for (const auto& [name, body] : cases) {
        SCOPED_TRACE(name);
        const auto result = echo_through_helper(helper(body), std::vector{address(2, 1)},
                                                milliseconds(5), short_margin);
        EXPECT_FALSE(result.permitted);
        EXPECT_EQ(result.status, std::vector<std::uint32_t>{echo_timed_out});
    }
    EXPECT_FALSE(echo_through_helper(folder_.path() / "missing", std::vector{address(2, 1)},
                                     milliseconds(5), short_margin)
                     .permitted);
}

using Outcome = ArpThroughHelper::Outcome;

const echo_helper::Range arp_range{address(2, 1), 20};
const MacAddress some_mac{0x02, 0x5a, 0x00, 0x00, 0x00, 0x0a};

TEST_F(platform_echo_helper, ArpDevicesArriveWhileTheHelperStillRuns) {
    // Waits for the test to see its first device before it sends the second and its end.
    const auto path = helper(R"(echo "$@" > arguments
read start end window
echo "$start $end $window" > request
echo "192.0.2.7 02:5a:00:00:00:0a 1500"
while [ ! -e seen ]; do sleep 0.01; done
echo "192.0.2.20 02:5a:00:00:00:0a 1600"
echo end
)");
    std::vector<Neighbour> proven;
    const auto through = arp_through_helper(path, arp_range, milliseconds(500), short_margin, -1,
                                            [&](const Neighbour& proof) {
                                                proven.push_back(proof);
                                                write_bytes(folder_.path() / "seen", "");
                                            });
    EXPECT_EQ(through.outcome, Outcome::ended) << through.failure;
    EXPECT_EQ(proven,
              (std::vector<Neighbour>{{address(2, 7), some_mac}, {address(2, 20), some_mac}}));
    EXPECT_EQ(read_bytes(folder_.path() / "arguments"), "--arp\n");
    EXPECT_EQ(read_bytes(folder_.path() / "request"), "192.0.2.1 20 500\n");
}

TEST_F(platform_echo_helper, ArpHelperThatFailsOrMisanswersFailsKeepingWhatCameBefore) {
    const std::string good = "echo '192.0.2.7 02:5a:00:00:00:0a 15'\n";
    const std::vector<std::tuple<std::string, std::string, std::size_t>> cases = {
        {"holds no capability", "exit 3\n", 0},
        {"range on no link", "exit 4\n", 0},
        {"refuses", "exit 2\n", 0},
        {"a malformed line", good + "echo '192.0.2.8 nonsense 16'; echo end\n", 1},
        {"an address outside", good + "echo '192.0.9.8 02:5a:00:00:00:0a 16'; echo end\n", 1},
        {"no end line", good + "exit 0\n", 1},
        {"fails after its end", good + "echo end; exit 1\n", 1},
        {"dies", good + "kill -9 $$\n", 1},
        {"endless line", "while :; do printf 1; done\n", 0},
    };
    for (const auto& [name, body, devices] : cases) {
        SCOPED_TRACE(name);
        std::size_t proven = 0;
        const auto through =
            arp_through_helper(helper(body), arp_range, milliseconds(0), short_margin, -1,
                               [&](const Neighbour&) { ++proven; });
        EXPECT_EQ(through.outcome, Outcome::failed);
        EXPECT_FALSE(through.failure.empty());
        EXPECT_EQ(proven, devices);
    }
    EXPECT_EQ(arp_through_helper(folder_.path() / "missing", arp_range, milliseconds(0),
                                 short_margin, -1, [](const Neighbour&) {})
                  .outcome,
              Outcome::failed);
}

TEST_F(platform_echo_helper, ArpHelperLateOrNoLongerWantedIsKilled) {
    // Sends one device, then neither ends nor says more.
    const auto path =
        helper("echo $$ > pid\necho '192.0.2.7 02:5a:00:00:00:0a 15'\nexec sleep 30\n");
    std::array<int, 2> stop{};
    ASSERT_EQ(::pipe(stop.data()), 0);
    for (const bool wanted : {true, false}) {
        SCOPED_TRACE(wanted ? "late" : "no longer wanted once its first device came");
        const auto began = std::chrono::steady_clock::now();
        const auto through = arp_through_helper(path, arp_range, milliseconds(0), short_margin,
                                                wanted ? -1 : stop[0], [&](const Neighbour&) {
                                                    if (!wanted) {
                                                        ASSERT_EQ(::write(stop[1], "x", 1), 1);
                                                    }
                                                });
        EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(10));
        EXPECT_EQ(through.outcome, wanted ? Outcome::failed : Outcome::stopped);
        EXPECT_EQ(::kill(std::stoi(read_bytes(folder_.path() / "pid")), 0), -1);
        EXPECT_EQ(errno, ESRCH);
    }
    ::close(stop[0]);
    ::close(stop[1]);
}

} // namespace
} // namespace zelvoro::platform
