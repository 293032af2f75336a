#include "platform/neighbour_sightings.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

using namespace std::chrono_literals;

const Ipv4Address a{{198, 51, 100, 1}}, b{{198, 51, 100, 2}}, c{{198, 51, 100, 3}};
const MacAddress mac_1{0x00, 0x1b, 0x2c, 0xa0, 0xff, 0x01}, mac_2{0xfe, 0, 0, 0, 0, 0x0a};

TEST(platform_neighbours, MacTextIsLowerCaseWithColons) {
    EXPECT_EQ(mac_text(mac_1), "00:1b:2c:a0:ff:01");
    EXPECT_EQ(mac_text(mac_2), "fe:00:00:00:00:0a");
}

TEST(platform_neighbours, SightingsYoungerThanTheLimit) {
    struct Case {
        std::string name;
        std::vector<NeighbourSighting> sightings;
        std::vector<Neighbour> expected;
    };
    const std::vector<Case> cases = {
        {"younger", {{a, mac_1, 9ms}}, {{a, mac_1}}},
        {"as old as the limit", {{a, mac_1, 10ms}}, {}},
        {"not asked about", {{b, mac_1, 0ms}}, {}},
        {"in the order asked", {{c, mac_2, 0ms}, {a, mac_1, 0ms}}, {{a, mac_1}, {c, mac_2}}},
        {"on two links: the younger", {{a, mac_1, 30ms}, {a, mac_2, 2ms}}, {{a, mac_2}}},
        {"on two links, both too old", {{a, mac_1, 30ms}, {a, mac_2, 11ms}}, {}},
    };
    const std::vector<Ipv4Address> asked = {a, c};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        EXPECT_EQ(sightings_within(asked, t.sightings, 10ms), t.expected);
    }
}

// Loopback needs no address resolution: whatever the table holds for it (Linux keeps NOARP
// entries on lo), it proves no device. Under Wine the table is not read at all.
TEST(platform_system_neighbours, LoopbackHasNoNeighbours) {
    const std::vector<Ipv4Address> loopback = {{{127, 0, 0, 1}}, {{0, 0, 0, 0}}};
    RecordedDiagnostics diagnostics;
    EXPECT_TRUE(make_system_neighbour_table(diagnostics)->confirmed(loopback, 1h).empty());
    EXPECT_TRUE(diagnostics.take().empty()); // the table itself was read
}

} // namespace
} // namespace zelvoro::platform
