#include "sweep/sweep_range.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::sweep {
namespace {

using platform::Ipv4Address;

struct NetworkCase {
    std::string text;
    Ipv4Address first;
    Ipv4Address last;
    std::uint32_t count;
};

TEST(sweep_range, TakesTheHostAddressesOfTheNetwork) {
    const std::vector<NetworkCase> cases = {
        {"10.20.0.0/16", {{10, 20, 0, 1}}, {{10, 20, 255, 254}}, 65534},
        {"10.20.30.40/16", {{10, 20, 0, 1}}, {{10, 20, 255, 254}}, 65534},
        {"192.168.17.5/20", {{192, 168, 16, 1}}, {{192, 168, 31, 254}}, 4094},
        {"192.0.2.255/24", {{192, 0, 2, 1}}, {{192, 0, 2, 254}}, 254},
        {"192.0.2.7/30", {{192, 0, 2, 5}}, {{192, 0, 2, 6}}, 2},
        {"255.255.255.0/24", {{255, 255, 255, 1}}, {{255, 255, 255, 254}}, 254},
        {"0.0.0.0/16", {{0, 0, 0, 1}}, {{0, 0, 255, 254}}, 65534},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = parse_network_range(c.text);
        ASSERT_TRUE(parsed.range);
        EXPECT_EQ(parsed.range->count, c.count);
        EXPECT_EQ(parsed.range->address(0), c.first);
        EXPECT_EQ(parsed.range->address(c.count - 1), c.last);
    }
}

struct RefusedCase {
    std::string text;
    RangeParse::Fault fault;
    std::string faulty_part;
};

TEST(sweep_range, NamesThePartItRefuses) {
    using enum RangeParse::Fault;
    const std::vector<RefusedCase> cases = {
        {"10.0.0.0/15", length, "15"},
        {"10.0.0.0/31", length, "31"},
        {"10.0.0.0/", length, ""},
        {"10.0.0.0/024", length, "024"},
        {"10.0.0.0/+24", length, "+24"},
        {"10.0.0.0/24 ", length, "24 "},
        {"10.0.0.0/24/24", length, "24/24"},
        {"10.0.0.0/255.255.255.0", length, "255.255.255.0"},
        {"10.0.0/24", address, "10.0.0"},
        {"10.0.0.256/24", address, "10.0.0.256"},
        {"255.255.255.255/24", address, "255.255.255.255"},
        {"/24", address, ""},
        {"10.0.0.0", address, "10.0.0.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = parse_network_range(c.text);
        ASSERT_FALSE(parsed.range);
        EXPECT_EQ(parsed.fault, c.fault);
        EXPECT_EQ(parsed.faulty_part, c.faulty_part);
    }
}

TEST(sweep_range, OctetRangesLeaveOutTheLimitedBroadcastAddress) {
    EXPECT_EQ(octet_range({{192, 0, 2, 1}}, 254).count, 254u);
    EXPECT_EQ(octet_range({{192, 0, 2, 0}}, 255).count, 256u);
    EXPECT_EQ(octet_range({{255, 255, 255, 250}}, 255).count, 5u);
    EXPECT_EQ(octet_range({{192, 0, 2, 9}}, 10).address(1), (Ipv4Address{{192, 0, 2, 10}}));
}

TEST(sweep_range, KeepsOneVerdictPerAddress) {
    RangeVerdicts verdicts(SweepRange{0x0a000001, 130});
    ASSERT_EQ(verdicts.size(), 130u);
    EXPECT_EQ(verdicts.address(129), (Ipv4Address{{10, 0, 0, 130}}));
    for (const std::size_t index : {0, 63, 64, 129}) {
        verdicts.take_status(index, platform::echo_answered);
    }
    verdicts.take_status(64, platform::echo_timed_out);
    std::vector<std::uint32_t> answered;
    for (std::uint32_t index = 0; index < 130; ++index) {
        if (verdicts.answered(index)) {
            answered.push_back(index);
        }
    }
    EXPECT_EQ(answered, (std::vector<std::uint32_t>{0, 63, 129}));
}

} // namespace
} // namespace zelvoro::sweep
