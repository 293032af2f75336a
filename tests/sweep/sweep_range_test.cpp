// The range check zelvoro-sweep and the echo helper share; the command line's refusals are
// tested one by one through the tool (tests/netns/refused_arguments.sh).
#include "sweep/sweep_range.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::sweep {
namespace {

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

} // namespace
} // namespace zelvoro::sweep
