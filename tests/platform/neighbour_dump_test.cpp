// The rtnetlink neighbour dump, read from a datagram the kernel sent (captured in a namespace
// holding one entry of each kind) and from damaged copies of it.
#include "platform/neighbour_dump.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::platform::netlink {
namespace {

using namespace std::chrono_literals;

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
constexpr std::uint32_t captured_sequence = 1;
constexpr auto ten_ms = std::chrono::microseconds(10ms);

std::vector<std::uint8_t> bytes_of(const std::vector<std::string_view>& hex_lines) {
    std::vector<std::uint8_t> bytes;
    for (const std::string_view line : hex_lines) {
        for (std::size_t at = 0; at + 1 < line.size(); at += 2) {
            bytes.push_back(
                static_cast<std::uint8_t>(std::stoi(std::string(line.substr(at, 2)), nullptr, 16)));
        }
    }
    return bytes;
}

std::vector<std::string_view> lines(std::size_t first, std::size_t count) {
    return {captured.begin() + first, captured.begin() + first + count};
}

struct DumpCase {
    std::string name;
    std::vector<std::uint8_t> datagram;
    DumpProgress progress;
    std::vector<Ipv4Address> seen;
    std::uint32_t sequence = captured_sequence;
};

TEST(platform_neighbour_dump, ReadsOnlyEntriesAnsweredByADevice) {
    auto cut = bytes_of(lines(0, 3));
    cut.resize(cut.size() - 10);
    const Ipv4Address stale{{192, 0, 2, 30}}, reachable{{192, 0, 2, 10}};
    const std::vector<DumpCase> cases = {
        {"the whole dump", bytes_of(captured), DumpProgress::done, {stale, reachable}},
        {"a first part", bytes_of(lines(0, 4)), DumpProgress::more, {stale}},
        {"the last part", bytes_of(lines(4, 3)), DumpProgress::done, {reachable}},
        {"a message cut short", cut, DumpProgress::failed, {}},
        {"the answer to another request", bytes_of(captured), DumpProgress::more, {}, 2},
        {"an error",
         bytes_of({"24000000020000000100000019070000ffffffff" // -EPERM
                   "1c0000001e00010301000000"
                   "00000000"}),
         DumpProgress::failed,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<NeighbourSighting> sightings;
        EXPECT_EQ(read_neighbour_dump(c.datagram, c.sequence, ten_ms, sightings), c.progress);
        std::vector<Ipv4Address> seen;
        for (const auto& sighting : sightings) {
            seen.push_back(sighting.address);
        }
        EXPECT_EQ(seen, c.seen);
    }
}

TEST(platform_neighbour_dump, SightingCarriesMacAndLeastAge) {
    std::vector<NeighbourSighting> sightings;
    read_neighbour_dump(bytes_of(captured), captured_sequence, ten_ms, sightings);
    ASSERT_EQ(sightings.size(), 2u);
    EXPECT_EQ(sightings[0].mac, (MacAddress{0x02, 0x5a, 0, 0, 0, 0x1e}));
    EXPECT_EQ(sightings[0].age, 63'770ms);
    EXPECT_EQ(sightings[1].mac, (MacAddress{0x02, 0x5a, 0, 0, 0, 0x0a}));
    EXPECT_EQ(sightings[1].age, 0ms);
}

TEST(platform_neighbour_dump, AgeIsAtLeastOneTickLessThanReported) {
    struct Case {
        std::uint32_t ticks;
        std::chrono::microseconds tick;
        std::chrono::milliseconds least;
    };
    const std::vector<Case> cases = {
        {0, ten_ms, 0ms}, {1, ten_ms, 0ms}, {2, ten_ms, 10ms},
        {3, 4ms, 8ms},    {5, 1ms, 4ms},    {0xffffffff, ten_ms, 42'949'672'940ms},
        {2, 3333us, 3ms}, // floor: never more than the tick allows
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ticks);
        EXPECT_EQ(least_confirmed_age(c.ticks, c.tick), c.least);
    }
}

} // namespace
} // namespace zelvoro::platform::netlink
