#include "platform/neighbour_pacing.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

using namespace std::chrono_literals;
using Time = NeighbourPacing::Time;

TEST(platform_neighbour_pacing, TakesAQuarterOfTheTable) {
    EXPECT_EQ(NeighbourPacing(1024, 5s).capacity(), 256u);
    EXPECT_EQ(NeighbourPacing::capacity_for(130), 32u);
    EXPECT_EQ(NeighbourPacing(3, 5s).capacity(), 1u);
    EXPECT_EQ(NeighbourPacing::capacity_for(0), 1u);
}

// Requests go out as soon as the pacing allows, each noted at the moment it was allowed.
struct PacingCase {
    std::string name;
    std::size_t table_limit;
    std::vector<Time> wanted;  // when each request would be sent
    std::vector<Time> allowed; // when each may be sent
};

TEST(platform_neighbour_pacing, KeepsAQuarterOfTheTableWithinAHoldingTime) {
    const std::vector<PacingCase> cases = {
        {"under the share: at once", 16, {0s, 0s, 0s, 0s}, {0s, 0s, 0s, 0s}},
        {"the fifth of four waits for the first to be let go",
         16,
         {0s, 1s, 1s, 2s, 2s},
         {0s, 1s, 1s, 2s, 5s}},
        {"a burst goes out a share per holding time",
         8,
         {0s, 0s, 0s, 0s, 0s, 0s},
         {0s, 0s, 5s, 5s, 10s, 10s}},
        {"a request wanted after its turn goes when wanted",
         8,
         {0s, 0s, 7s, 7s, 8s},
         {0s, 0s, 7s, 7s, 12s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NeighbourPacing pacing(c.table_limit, 5s);
        std::vector<Time> allowed;
        for (const Time wanted : c.wanted) {
            allowed.push_back(pacing.next_allowed(wanted));
            pacing.sent(allowed.back());
        }
        EXPECT_EQ(allowed, c.allowed);
    }
}

TEST(platform_neighbour_pacing, ALongerHoldingTimeHoldsEveryEntryLonger) {
    NeighbourPacing pacing(4, 5s);
    pacing.sent(0s);
    pacing.hold_at_least(8s);
    pacing.hold_at_least(6s);
    EXPECT_EQ(pacing.holding_time(), 8s);
    EXPECT_EQ(pacing.next_allowed(1s), Time(8s));
}

} // namespace
} // namespace zelvoro::platform
