#include "platform/echo_requests.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

using namespace std::chrono_literals;

const Ipv4Address host_a{{10, 1, 2, 3}};
const Ipv4Address host_b{{10, 1, 2, 4}};
constexpr StampTime t0 = std::chrono::seconds(1'700'000'000);
constexpr std::chrono::milliseconds timeout = 5ms;

struct Reply {
    Ipv4Address source;
    icmp::EchoHeader header;
    ReceiveTime received;
};

constexpr std::uint32_t yes = echo_answered;
constexpr std::uint32_t no = echo_timed_out;

// Request i goes to addresses[i] with sequence number 100 + i and identifier 7, and is marked
// sent at t0 + i ms unless sent[i] is false.
struct MatchCase {
    std::string name;
    std::vector<Reply> replies;
    std::vector<std::uint32_t> expected;
    std::vector<Ipv4Address> addresses = {host_a};
    std::vector<bool> sent = {true, true, true};
    std::uint16_t first_sequence = 100;
    std::optional<std::uint16_t> identifier = 7;
};

TEST(platform_echo_requests, MatchesRepliesToRequests) {
    const std::vector<Ipv4Address> a_b = {host_a, host_b};
    const std::vector<MatchCase> cases = {
        {"in time", {{host_a, {7, 100}, t0 + 2ms}}, {yes}},
        {"exactly at the deadline", {{host_a, {7, 100}, t0 + timeout}}, {yes}},
        {"one microsecond late", {{host_a, {7, 100}, t0 + timeout + 1us}}, {no}},
        {"stamped before the send time", {{host_a, {7, 100}, t0 - 30us}}, {yes}},
        {"from another source", {{host_b, {7, 100}, t0 + 1ms}}, {no}},
        {"another identifier", {{host_a, {8, 100}, t0 + 1ms}}, {no}},
        {"sequence of an earlier sweep", {{host_a, {7, 99}, t0 + 1ms}}, {no}},
        {"only the second answers", {{host_b, {7, 101}, t0 + 1ms}}, {no, yes}, a_b},
        {"sequence past the last request", {{host_a, {7, 102}, t0 + 1ms}}, {no, no}, a_b},
        {"sequence of the other request", {{host_a, {7, 101}, t0 + 1ms}}, {no, no}, a_b},
        {"deadline counted from each send time",
         {{host_a, {7, 100}, t0 + 6ms}, {host_b, {7, 101}, t0 + 6ms}},
         {no, yes},
         a_b},
        {"late duplicate after a reply in time",
         {{host_a, {7, 100}, t0 + 1ms}, {host_a, {7, 100}, t0 + 9ms}},
         {yes}},
        {"duplicate address, second answered",
         {{host_a, {7, 101}, t0 + 2ms}},
         {no, yes},
         {host_a, host_a}},
        {"request that could not be sent", {{host_a, {7, 100}, t0}}, {no, no}, a_b, {false, true}},
        {"identifier assigned by the kernel",
         {{host_a, {4242, 100}, t0 + 1ms}},
         {yes},
         {host_a},
         {true},
         100,
         std::nullopt},
        {"sequence numbers wrap",
         {{host_b, {7, 0}, t0 + 2ms}, {host_a, {7, 1}, t0 + 3ms}},
         {no, yes, yes},
         {host_a, host_b, host_a},
         {true, true, true},
         65535},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EchoRequestTable table(c.addresses, c.first_sequence, c.identifier, timeout);
        for (std::size_t i = 0; i < c.addresses.size(); ++i) {
            if (c.sent[i]) {
                table.mark_sent(i, t0 + std::chrono::milliseconds(i));
            }
        }
        for (const auto& reply : c.replies) {
            table.record_reply(reply.source, reply.header, reply.received);
        }
        EXPECT_EQ(table.statuses(), c.expected);
    }
}

// Requests sent at t0, t0 + 1 ms and t0 + 2 ms; the round trip of the reply that answered.
TEST(platform_echo_requests, RoundTripOfTheAnsweringReply) {
    const std::vector<Ipv4Address> addresses = {host_a, host_b, host_a};
    EchoRequestTable table(addresses, 0, 1, timeout);
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        table.mark_sent(i, t0 + std::chrono::milliseconds(i));
    }
    table.record_reply(host_a, {1, 0}, {t0 + 1500us});
    table.record_reply(host_a, {1, 0}, {t0 + 3ms}); // a duplicate in time: the first one counts
    table.record_reply(host_b, {1, 1}, {t0 + 7ms}); // late: not answered
    table.record_reply(host_a, {1, 2}, {t0 + 2ms - 20us}); // stamped before the send time
    EXPECT_EQ(table.round_trips(), (std::vector<std::chrono::nanoseconds>{1500us, 0ns, 0ns}));
    EXPECT_EQ(table.statuses(), (std::vector<std::uint32_t>{yes, no, yes}));
}

// A request sent at t0 whose reply is read without a stamp at `read`; a datagram stamped on
// arrival at `stamped` is read after it (or, where `stamped_first`, before it).
struct UnstampedCase {
    std::string name;
    StampTime read;
    std::optional<StampTime> stamped;
    std::uint32_t expected;
    std::chrono::nanoseconds round_trip;
    std::size_t undecided;
    bool stamped_first = false;
};

TEST(platform_echo_requests, RepliesReadWithoutAStamp) {
    const std::vector<UnstampedCase> cases = {
        {"read in time", t0 + 4ms, std::nullopt, yes, 4ms, 0},
        {"read late, queued before a stamp well in time", t0 + 9ms, t0 + 2ms, yes, 2100us, 0},
        {"read late, the stamp just in time", t0 + 9ms, t0 + 4900us, yes, 5ms, 0},
        {"read late, the stamp too close to the deadline", t0 + 9ms, t0 + 4901us, no, 0ns, 1},
        {"read late, nothing stamped read after it", t0 + 9ms, std::nullopt, no, 0ns, 1},
        {"read late, the stamp read before it", t0 + 9ms, t0 + 1ms, no, 0ns, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EchoRequestTable table(std::span(&host_a, 1), 0, 1, timeout);
        table.mark_sent(0, t0);
        if (c.stamped && c.stamped_first) {
            table.queued_behind(*c.stamped);
        }
        table.record_reply(host_a, {1, 0}, {c.read, false});
        if (c.stamped && !c.stamped_first) {
            table.queued_behind(*c.stamped);
        }
        EXPECT_EQ(table.statuses(), std::vector<std::uint32_t>{c.expected});
        EXPECT_EQ(table.round_trips(), std::vector<std::chrono::nanoseconds>{c.round_trip});
        EXPECT_EQ(table.undecided(), c.undecided);
    }
}

TEST(platform_echo_requests, AStampedLateReplyIsNeverInDoubt) {
    EchoRequestTable table(std::span(&host_a, 1), 0, 1, timeout);
    table.mark_sent(0, t0);
    table.record_reply(host_a, {1, 0}, {t0 + 6ms});
    table.queued_behind(t0 + 1ms);
    EXPECT_EQ(table.statuses(), std::vector<std::uint32_t>{no});
    EXPECT_EQ(table.undecided(), 0u);
}

TEST(platform_echo_requests, LastOpenDeadlineFollowsTheUnansweredRequests) {
    const std::vector<Ipv4Address> addresses = {host_a, host_b, host_a};
    EchoRequestTable table(addresses, 0, 1, timeout);
    EXPECT_EQ(table.last_open_deadline(), std::nullopt) << "nothing sent yet";

    table.mark_sent(0, t0);
    table.mark_sent(1, t0 + 1ms);
    EXPECT_EQ(table.last_open_deadline(), t0 + 6ms);

    table.record_reply(host_b, {1, 1}, {t0 + 2ms});
    EXPECT_EQ(table.last_open_deadline(), t0 + 5ms);

    table.record_reply(host_a, {1, 0}, {t0 + 2ms});
    EXPECT_EQ(table.last_open_deadline(), std::nullopt) << "every sent request answered";
}

} // namespace
} // namespace zelvoro::platform
