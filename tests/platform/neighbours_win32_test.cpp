// What a row of GetIpNetTable2 proves. Wine's own table is not used (it tells no ages), so these
// rows are the only check of the reading on this side.
#include "platform/neighbour_row_win32.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

using namespace std::chrono_literals;

// 192.0.2.9 at 00:1b:2c:a0:ff:01, reachable, confirmed 1234 ms ago.
MIB_IPNET_ROW2 reachable_row() {
    MIB_IPNET_ROW2 row{};
    row.Address.si_family = AF_INET;
    const std::uint8_t address[] = {192, 0, 2, 9};
    std::memcpy(&row.Address.Ipv4.sin_addr, address, sizeof address);
    const std::uint8_t mac[] = {0x00, 0x1b, 0x2c, 0xa0, 0xff, 0x01};
    std::memcpy(row.PhysicalAddress, mac, sizeof mac);
    row.PhysicalAddressLength = sizeof mac;
    row.State = NlnsReachable;
    row.ReachabilityTime.LastReachable = 1234;
    return row;
}

TEST(platform_neighbour_row_win32, ReachableRowIsASighting) {
    const auto sighting = sighting_of(reachable_row());
    ASSERT_TRUE(sighting);
    EXPECT_EQ(sighting->address, (Ipv4Address{{192, 0, 2, 9}}));
    EXPECT_EQ(sighting->mac, (MacAddress{0x00, 0x1b, 0x2c, 0xa0, 0xff, 0x01}));
    EXPECT_EQ(sighting->age, 1234ms);
}

TEST(platform_neighbour_row_win32, RowsThatProveNoDevice) {
    struct Case {
        std::string name;
        void (*change)(MIB_IPNET_ROW2&);
        bool sighting;
    };
    const std::vector<Case> cases = {
        {"stale", [](MIB_IPNET_ROW2& row) { row.State = NlnsStale; }, true},
        {"probe", [](MIB_IPNET_ROW2& row) { row.State = NlnsProbe; }, true},
        {"incomplete", [](MIB_IPNET_ROW2& row) { row.State = NlnsIncomplete; }, false},
        {"unreachable", [](MIB_IPNET_ROW2& row) { row.State = NlnsUnreachable; }, false},
        {"permanent", [](MIB_IPNET_ROW2& row) { row.State = NlnsPermanent; }, false},
        {"flagged unreachable", [](MIB_IPNET_ROW2& row) { row.IsUnreachable = TRUE; }, false},
        {"no link-layer address", [](MIB_IPNET_ROW2& row) { row.PhysicalAddressLength = 0; },
         false},
        {"an 8-byte address", [](MIB_IPNET_ROW2& row) { row.PhysicalAddressLength = 8; }, false},
        {"IPv6", [](MIB_IPNET_ROW2& row) { row.Address.si_family = AF_INET6; }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MIB_IPNET_ROW2 row = reachable_row();
        c.change(row);
        EXPECT_EQ(sighting_of(row).has_value(), c.sighting);
    }
}

} // namespace
} // namespace zelvoro::platform
