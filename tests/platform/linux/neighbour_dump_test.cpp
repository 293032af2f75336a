// The rtnetlink neighbour dump, read from a datagram the kernel sent (captured in a namespace
// holding one entry of each kind) and from damaged copies of it: first into the answer of the
// netlink client, then into the entries that prove a device; and the notifications of changes.
#include "platform/linux/neighbour_dump.h"
#include "platform/platform_error.h"
#include "support/hex_bytes.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <linux/rtnetlink.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::platform::netlink {
namespace {

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

std::vector<Neighbour> reachable_ones(std::span<const Reply> messages) {
    std::vector<Neighbour> found;
    for (const Reply& message : messages) {
        if (const auto neighbour = reachable_neighbour(message)) {
            found.push_back(*neighbour);
        }
    }
    return found;
}

TEST(platform_neighbour_dump, ReadsOnlyEntriesAnsweredByADeviceJustNow) {
    struct Case {
        std::string name;
        std::vector<std::byte> datagram;
        std::optional<int> error; // nothing while the answer goes on
        std::vector<Neighbour> expected;
        Exchange exchange = {port, 1};
        std::uint32_t sender = 0; // the kernel
    };
    const Neighbour reachable{{{192, 0, 2, 10}}, {0x02, 0x5a, 0, 0, 0, 0x0a}};
    const std::vector<Case> cases = {
        {"the whole dump", bytes_of(captured), 0, {reachable}},
        {"a first part (STALE, PERMANENT, ...)", bytes_of(lines(0, 4)), std::nullopt, {}},
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
        EXPECT_EQ(reachable_ones(answer.replies), c.expected);
    }
}

TEST(platform_neighbour_dump, AMessageCutShortFailsTheAnswer) {
    auto cut = bytes_of(lines(0, 3));
    cut.resize(cut.size() - 10);
    Answer answer;
    EXPECT_THROW(read_answer(cut, 0, {port, 1}, answer), PlatformError);
}

// Notifications a member of RTNLGRP_NEIGH got, one datagram each, as 192.0.2.20
// (02:5a:00:00:00:14) was resolved from cold, 192.0.2.30 failed, and a STALE entry of
// 192.0.2.20 was probed again.
const std::string_view event_cold_reachable =
    "4c0000001c000000000000000000000002000000020000000200000108000100c00002140a000200025a0000"
    "0014000008000400040000001400030000000000000000000000000002000000";
const std::string_view event_failed =
    "400000001c000000000000000000000002000000020000002000000108000100c000021e080004000600000014"
    "000300a3180000330100000000000001000000";
const std::string_view event_probe =
    "4c0000001c000000000000000000000002000000020000001000000108000100c00002140a000200025a0000"
    "00140000080004000100000014000300901a0000780100000000000002000000";
const std::string_view event_probe_answered =
    "4c0000001c000000000000000000000002000000020000000200000108000100c00002140a000200025a0000"
    "0014000008000400010000001400030000000000000000000000000002000000";

TEST(platform_neighbour_events, OnlyReachableEntriesProveADevice) {
    const Neighbour device{{{192, 0, 2, 20}}, {0x02, 0x5a, 0, 0, 0, 0x14}};
    const Neighbour dumped{{{192, 0, 2, 10}}, {0x02, 0x5a, 0, 0, 0, 0x0a}};
    auto deleted = bytes_of({event_cold_reachable});
    deleted[4] = std::byte{RTM_DELNEIGH};
    struct Case {
        std::string name;
        std::vector<std::byte> datagram;
        std::vector<Neighbour> expected;
    };
    const std::vector<Case> cases = {
        {"resolved from cold", bytes_of({event_cold_reachable}), {device}},
        {"resolution failed", bytes_of({event_failed}), {}},
        {"a stale entry probed", bytes_of({event_probe}), {}},
        {"the probe answered", bytes_of({event_probe_answered}), {device}},
        {"an entry deleted", deleted, {}},
        {"two in one datagram", bytes_of({event_failed, event_cold_reachable}), {device}},
        // A dump's entries read the same way: only the REACHABLE one, not the STALE one.
        {"a dump", bytes_of(captured), {dumped}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(reachable_ones(read_notifications(c.datagram)), c.expected);
    }
    auto cut = bytes_of({event_cold_reachable});
    cut.resize(cut.size() - 4);
    EXPECT_THROW(read_notifications(cut), PlatformError);
}

} // namespace
} // namespace zelvoro::platform::netlink
