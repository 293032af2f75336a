// The range checks zelvoro-sweep and the echo helper share; the command line's refusals are
// tested one by one through the tool (tests/netns/refused_arguments.sh).
#include "sweep/sweep_range.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::sweep {
namespace {

using platform::Ipv4Address;

struct RangeCase {
    std::string start;
    std::string end;
    EndOctet rule;
    std::string refusal; // empty: accepted
};

TEST(sweep_range, AcceptsOneSegmentWithTheEndFromOrAboveTheStart) {
    const std::vector<RangeCase> cases = {
        {"192.0.2.1", "254", EndOctet::above_start, ""},
        {"192.0.2.0", "255", EndOctet::above_start, ""},
        {"192.0.2.7", "7", EndOctet::above_start, "end octet 7 is not above the start octet 7"},
        {"192.0.2.7", "7", EndOctet::from_start, ""},
        {"192.0.2.7", "6", EndOctet::from_start, "end octet 6 is below the start octet 7"},
        {"192.0.2.1", "256", EndOctet::from_start, "end octet above 255: 256"},
        {"192.0.2.1", "07", EndOctet::from_start, "end octet is not a decimal number: \"07\""},
        {"192.0.2.1/16", "9", EndOctet::from_start, "not an IPv4 address: \"192.0.2.1/16\""},
        {"255.255.255.255", "255", EndOctet::from_start,
         "not an IPv4 address: \"255.255.255.255\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start + " " + c.end);
        const auto checked = check_sweep_range(c.start, c.end, c.rule);
        EXPECT_EQ(checked.refusal, c.refusal);
        ASSERT_EQ(checked.range.has_value(), c.refusal.empty());
        if (checked.range) {
            EXPECT_EQ(platform::to_dotted_quad(checked.range->start), c.start);
            EXPECT_EQ(std::to_string(checked.range->end_octet), c.end);
        }
    }
}

struct NetworkCase {
    std::string text;
    Ipv4Address first;
    Ipv4Address last;
    std::uint32_t count;
    bool one_segment;
};

TEST(sweep_range, TakesTheHostAddressesOfTheNetwork) {
    const std::vector<NetworkCase> cases = {
        {"10.20.0.0/16", {{10, 20, 0, 1}}, {{10, 20, 255, 254}}, 65534, false},
        {"10.20.30.40/16", {{10, 20, 0, 1}}, {{10, 20, 255, 254}}, 65534, false},
        {"192.168.17.5/20", {{192, 168, 16, 1}}, {{192, 168, 31, 254}}, 4094, false},
        {"192.0.3.5/23", {{192, 0, 2, 1}}, {{192, 0, 3, 254}}, 510, false},
        {"192.0.2.255/24", {{192, 0, 2, 1}}, {{192, 0, 2, 254}}, 254, true},
        {"192.0.2.7/30", {{192, 0, 2, 5}}, {{192, 0, 2, 6}}, 2, true},
        {"255.255.255.0/24", {{255, 255, 255, 1}}, {{255, 255, 255, 254}}, 254, true},
        {"0.0.0.0/16", {{0, 0, 0, 1}}, {{0, 0, 255, 254}}, 65534, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto checked = check_network_range(c.text);
        ASSERT_TRUE(checked.range);
        EXPECT_EQ(checked.range->count, c.count);
        EXPECT_EQ(checked.range->address(0), c.first);
        EXPECT_EQ(checked.range->address(c.count - 1), c.last);
        const auto segment = within_one_segment(*checked.range);
        ASSERT_EQ(segment.has_value(), c.one_segment);
        if (segment) {
            EXPECT_EQ(segment->start, c.first);
            EXPECT_EQ(segment->end_octet, c.last.octets[3]);
        }
    }
}

TEST(sweep_range, NamesThePartOfANetworkItRefuses) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"10.0.0.0/15", "prefix length is not from 16 to 30: \"15\""},
        {"10.0.0.0/31", "prefix length is not from 16 to 30: \"31\""},
        {"10.0.0.0/", "prefix length is not from 16 to 30: \"\""},
        {"10.0.0.0/024", "prefix length is not from 16 to 30: \"024\""},
        {"10.0.0.0/+24", "prefix length is not from 16 to 30: \"+24\""},
        {"10.0.0.0/24/24", "prefix length is not from 16 to 30: \"24/24\""},
        {"10.0.0.0/255.255.255.0", "prefix length is not from 16 to 30: \"255.255.255.0\""},
        {"10.0.0/24", "not an IPv4 address: \"10.0.0\""},
        {"255.255.255.255/24", "not an IPv4 address: \"255.255.255.255\""},
        {"/24", "not an IPv4 address: \"\""},
        {"10.0.0.0", "not an IPv4 address: \"10.0.0.0\""},
    };
    for (const auto& [text, refusal] : cases) {
        SCOPED_TRACE(text);
        const auto checked = check_network_range(text);
        EXPECT_FALSE(checked.range);
        EXPECT_EQ(checked.refusal, refusal);
    }
}

TEST(sweep_range, OctetRangesLeaveOutTheLimitedBroadcastAddress) {
    EXPECT_EQ(run_of({{{192, 0, 2, 1}}, 254}).count, 254u);
    EXPECT_EQ(run_of({{{192, 0, 2, 0}}, 255}).count, 256u);
    EXPECT_EQ(run_of({{{255, 255, 255, 250}}, 255}).count, 5u);
    EXPECT_EQ(run_of({{{192, 0, 2, 9}}, 10}).address(1), (Ipv4Address{{192, 0, 2, 10}}));
}

TEST(sweep_range, KeepsOneVerdictPerAddress) {
    RangeVerdicts verdicts(AddressRun{0x0a000001, 130});
    ASSERT_EQ(verdicts.size(), 130u);
    EXPECT_EQ(verdicts.address(129), (Ipv4Address{{10, 0, 0, 130}}));
    for (const std::size_t index : {0, 63, 64, 129}) {
        verdicts.take_status(index, platform::echo_answered, {});
    }
    verdicts.take_status(64, platform::echo_timed_out, {});
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
