#include "platform/echo.h"

#include <gtest/gtest.h>
#include <vector>

namespace zelvoro::platform {
namespace {

using std::chrono::milliseconds;

TEST(platform_system_echo, LoopbackAnswers) {
    const auto echo = make_system_echo_service();
    const std::vector<Ipv4Address> loopback = {{{127, 0, 0, 1}}};
    const auto result = echo->echo_all(loopback, milliseconds(5));
    if (!result.permitted) {
        GTEST_SKIP() << "no ICMP echo socket can be opened here (needs root, cap_net_raw or "
                        "ping_group_range)";
    }
    EXPECT_EQ(result.status, std::vector<std::uint32_t>{echo_answered});
    ASSERT_EQ(result.round_trip.size(), 1u);
    // A duration, not a clock reading. Not held to the timeout: Wine's icmp.dll reports whole
    // milliseconds of its own clock, 6 for a reply it counted within 5.
    EXPECT_LT(result.round_trip.front(), std::chrono::seconds(1));
}

TEST(platform_system_echo, NothingToSendGivesNoStatus) {
    const auto echo = make_system_echo_service();
    const auto result = echo->echo_all({}, milliseconds(5));
    EXPECT_TRUE(result.status.empty());
}

} // namespace
} // namespace zelvoro::platform
