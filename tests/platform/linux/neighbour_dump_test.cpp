// The rtnetlink neighbour dump, read from a datagram the kernel sent (captured in a namespace
// holding one entry of each kind) and from damaged copies of it: first into the answer of the
// netlink client, then into the entries that prove a device.
#include "platform/linux/neighbour_dump.h"
#include "platform/platform_error.h"
#include "support/hex_bytes.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::platform::netlink {
namespace {

using namespace std::chrono_literals;
using test_support::bytes_of;

// The port the captured request was sent from: the kernel's answer carries it.
constexpr std::uint32_t port = 0x719;

// The answer to request 1, one message a line; ages in 10 ms ticks.
const std::vector<std::string_view> captured = {
    // 192.0.2.60 FAILED, no link-layer address
    "400000001c000200010000001907000002000000020000002000000108000100c000023c0800040006000000"
    "14000300ce1800005e0100002a00000000000000",
    // 0.0.0.0 on lo, NOARP, 00:00:00:00:00:00
    "4c0000001c000200010000001907000002000000010000004000000308000100000000000a00020000000000"
    "000000000800040000000000140003009a1700002a0000002a00000000000000",
    // 192.0.2.30 STALE, 02:5a:00:00:00:1e, confirmed 6378 ticks ago (added by hand)
    "4c0000001c000200010000001907000002000000020000000400000108000100c000021e0a000200025a0000"
    "001e0000080004000000000014000300ea1800007a0100007a01000000000000",
    // 192.0.2.40 PERMANENT, 02:5a:00:00:00:28
    "4c0000001c000200010000001907000002000000020000008000000108000100c00002280a000200025a0000"
    "002800000800040000000000140003007a0100007a0100007a01000000000000",
    // 192.0.2.10 REACHABLE, 02:5a:00:00:00:0a, confirmed 0 ticks ago
    "4c0000001c000200010000001907000002000000020000000200000108000100c000020a0a000200025a0000"
    "000a000008000400040000001400030000000000000000000000000001000000",
    // 192.0.2.50 INCOMPLETE, no link-layer address
    "400000001c000200010000001907000002000000020000000100000108000100c00002320800040004000000"
    "1400030070170000000000000000000001000000",
    // NLMSG_DONE
    "1400000003000200010000001907000000000000",
};

std::vector<std::string_view> lines(std::size_t first, std::size_t count) {
    return {captured.begin() + first, captured.begin() + first + count};
}

TEST(platform_neighbour_dump, ReadsOnlyEntriesAnsweredByADevice) {
    struct Case {
        std::string name;
        std::vector<std::byte> datagram;
        std::optional<int> error; // nothing while the answer goes on
        std::vector<NeighbourSighting> expected;
        Exchange exchange = {port, 1};
        std::uint32_t sender = 0; // the kernel
    };
    const NeighbourSighting stale{{{192, 0, 2, 30}}, {0x02, 0x5a, 0, 0, 0, 0x1e}, 63'770ms};
    const NeighbourSighting reachable{{{192, 0, 2, 10}}, {0x02, 0x5a, 0, 0, 0, 0x0a}, 0ms};
    const std::vector<Case> cases = {
        {"the whole dump", bytes_of(captured), 0, {stale, reachable}},
        {"a first part", bytes_of(lines(0, 4)), std::nullopt, {stale}},
        {"the last part", bytes_of(lines(4, 3)), 0, {reachable}},
        {"the answer to another request", bytes_of(captured), std::nullopt, {}, {port, 2}},
        {"the answer to another socket", bytes_of(captured), std::nullopt, {}, {port + 1, 1}},
        {"a datagram another process sent", bytes_of(captured), std::nullopt, {}, {port, 1}, 4242},
        {"an error (-EPERM)",
         bytes_of({"24000000020000000100000019070000ffffffff1c0000001e0001030100000000000000"}),
         EPERM,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Answer answer;
        read_answer(c.datagram, c.sender, c.exchange, answer);
        EXPECT_EQ(answer.error, c.error);
        EXPECT_EQ(neighbour_sightings(answer.replies, 10ms), c.expected);
    }
}

TEST(platform_neighbour_dump, AMessageCutShortFailsTheAnswer) {
    auto cut = bytes_of(lines(0, 3));
    cut.resize(cut.size() - 10);
    Answer answer;
    EXPECT_THROW(read_answer(cut, 0, {port, 1}, answer), PlatformError);
}

TEST(platform_neighbour_dump, AgeIsAtLeastOneTickLessThanReported) {
    EXPECT_EQ(least_confirmed_age(0, 10ms), 0ms);
    EXPECT_EQ(least_confirmed_age(1, 10ms), 0ms);
    EXPECT_EQ(least_confirmed_age(2, 10ms), 10ms);
    EXPECT_EQ(least_confirmed_age(2, 3333us), 3ms); // rounded down
    EXPECT_EQ(least_confirmed_age(0xffffffff, 10ms), 42'949'672'940ms);
}

} // namespace
} // namespace zelvoro::platform::netlink
