// The echo service's side of the echo helper, against helpers made of shell scripts: what it
// hands a helper, and that a helper that is missing, refuses, dies, is late or says anything
// but the lines asked for leaves the sweep "not permitted", a late one killed.
#include "platform/echo_helper_linux.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
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

} // namespace
} // namespace zelvoro::platform
