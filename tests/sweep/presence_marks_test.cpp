#include "support/sweep_verdicts.h"
#include "sweep/presence_marks.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::sweep {
namespace {

using platform::Ipv4Address;
using platform::MacAddress;
using test_support::test_net_verdicts;

const MacAddress router{0x02, 0, 0, 0, 0, 0xfe}, printer{0x02, 0, 0, 0, 0, 0x07};

Ipv4Address host(std::uint8_t octet) {
    return {{192, 0, 2, octet}};
}

// One proof after the other on the lists 192.0.2.1 | .2 .. .7: what each one marks.
TEST(sweep_presence_marks, ProofsMarkTheirItemsOnceAndOneDeviceForManyIsNoWarning) {
    struct Step {
        std::string name;
        platform::Neighbour proof;
        std::vector<ItemMark> marks;
    };
    using enum MarkKind;
    const std::vector<Step> steps = {
        {"an answering host", {host(1), router}, {{false, 0, router, answering}}},
        {"a silent one", {host(5), router}, {{true, 3, router, present}}},
        {"proven again", {host(5), printer}, {}},
        {"on no list", {host(99), router}, {}},
        {"another device", {host(2), printer}, {{true, 0, printer, present}}},
        {"the second for the router", {host(3), router}, {{true, 1, router, present}}},
        {"the third", {host(4), router}, {{true, 2, router, present}}},
        {"the fourth: all of them plain",
         {host(7), router},
         {{true, 1, router, shared},
          {true, 2, router, shared},
          {true, 3, router, shared},
          {true, 5, router, shared}}},
        {"one more: plain at once", {host(6), router}, {{true, 4, router, shared}}},
    };
    const SweepOutcome outcome{true, test_net_verdicts({1}), test_net_verdicts({2, 3, 4, 5, 6, 7})};
    PresenceMarks marks(outcome);
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        EXPECT_EQ(marks.prove(step.proof), step.marks);
    }
}

// The answering host the router also answered for is not counted: three silent addresses are
// still not more than three.
TEST(sweep_presence_marks, OnlySilentAddressesCountForOneDevice) {
    PresenceMarks marks(SweepOutcome{true, test_net_verdicts({1}), test_net_verdicts({2, 3, 4})});
    marks.prove({host(1), router});
    marks.prove({host(2), router});
    marks.prove({host(3), router});
    EXPECT_EQ(marks.prove({host(4), router}),
              (std::vector<ItemMark>{{true, 2, router, MarkKind::present}}));
}

} // namespace
} // namespace zelvoro::sweep
