// The Linux engine against the loopback interface, where every 127.x.y.z address answers.
#include "platform/echo.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

using std::chrono::milliseconds;

constexpr std::uint32_t yes = echo_answered;
constexpr std::uint32_t no = echo_timed_out;

Ipv4Address loopback(std::uint32_t host) {
    return {{127, static_cast<std::uint8_t>(host >> 16), static_cast<std::uint8_t>(host >> 8),
             static_cast<std::uint8_t>(host)}};
}

std::vector<Ipv4Address> loopback_range(std::uint32_t first, std::uint32_t count) {
    std::vector<Ipv4Address> addresses;
    for (std::uint32_t host = first; host < first + count; ++host) {
        addresses.push_back(loopback(host));
    }
    return addresses;
}

struct LoopbackCase {
    std::string name;
    std::vector<Ipv4Address> addresses;
    std::vector<std::uint32_t> expected;
};

class platform_linux_echo : public testing::Test {
protected:
    void SetUp() override {
        const std::vector<Ipv4Address> probe = {loopback(1)};
        if (!echo_->echo_all(probe, milliseconds(5)).permitted) {
            GTEST_SKIP() << "no ICMP echo socket can be opened here (needs root, cap_net_raw or "
                            "ping_group_range)";
        }
    }

    std::unique_ptr<EchoService> echo_ = make_system_echo_service();
};

TEST_F(platform_linux_echo, LoopbackSweeps) {
    const std::vector<LoopbackCase> cases = {
        {"a whole segment", loopback_range(1, 254), std::vector<std::uint32_t>(254, yes)},
        {"the same address three times", {loopback(9), loopback(9), loopback(9)}, {yes, yes, yes}},
        // Without SO_BROADCAST the kernel refuses the broadcast address; the sweep goes on.
        {"broadcast address between two hosts",
         {loopback(2), Ipv4Address{{127, 255, 255, 255}}, loopback(3)},
         {yes, no, yes}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = echo_->echo_all(c.addresses, milliseconds(5));
        EXPECT_EQ(result.status, c.expected);
        ASSERT_EQ(result.round_trip.size(), c.addresses.size());
        for (std::size_t i = 0; i < c.addresses.size(); ++i) {
            EXPECT_GE(result.round_trip[i], std::chrono::nanoseconds(0));
            EXPECT_LE(result.round_trip[i],
                      c.expected[i] == yes ? milliseconds(5) : milliseconds(0));
        }
    }
}

TEST_F(platform_linux_echo, SweepLongerThanTheSequenceSpaceIsCarriedOutInParts) {
    const auto addresses = loopback_range(1 << 16, 70'000);
    const auto result = echo_->echo_all(addresses, milliseconds(5));
    EXPECT_TRUE(result.permitted);
    ASSERT_EQ(result.status.size(), addresses.size());
    EXPECT_EQ(result.round_trip.size(), addresses.size());
    EXPECT_EQ(std::count(result.status.begin(), result.status.end(), yes), 70'000);
}

TEST_F(platform_linux_echo, EverySweepStartsAfresh) {
    const auto addresses = loopback_range(1, 20);
    for (int sweep = 0; sweep < 5; ++sweep) {
        SCOPED_TRACE(sweep);
        EXPECT_EQ(echo_->echo_all(addresses, milliseconds(5)).status,
                  std::vector<std::uint32_t>(20, yes));
    }
}

} // namespace
} // namespace zelvoro::platform
