// What a row of GetIpNetTable2 proves. Under Wine the system table is not read (it tells no
// states), so these rows are this side's only check of the reading.
#include "platform/neighbour_row_win32.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

const Neighbour expected{{{192, 0, 2, 9}}, {0x00, 0x1b, 0x2c, 0xa0, 0xff, 0x01}};

MIB_IPNET_ROW2 reachable_row() {
    MIB_IPNET_ROW2 row{};
    row.Address.si_family = AF_INET;
    std::memcpy(&row.Address.Ipv4.sin_addr, expected.address.octets.data(), 4);
    std::memcpy(row.PhysicalAddress, expected.mac.data(), 6);
    row.PhysicalAddressLength = 6;
    row.State = NlnsReachable;
    return row;
}

TEST(platform_neighbour_row_win32, OnlyReachableRowsProveADevice) {
    using Change = void (*)(MIB_IPNET_ROW2&);
    const std::vector<std::pair<Change, bool>> cases = {
        {[](MIB_IPNET_ROW2&) {}, true},
        {[](MIB_IPNET_ROW2& row) { row.State = NlnsStale; }, false},
        {[](MIB_IPNET_ROW2& row) { row.State = NlnsProbe; }, false},
        {[](MIB_IPNET_ROW2& row) { row.State = NlnsIncomplete; }, false},
        {[](MIB_IPNET_ROW2& row) { row.State = NlnsPermanent; }, false},
        {[](MIB_IPNET_ROW2& row) { row.IsUnreachable = TRUE; }, false},
        {[](MIB_IPNET_ROW2& row) { row.PhysicalAddressLength = 8; }, false},
        {[](MIB_IPNET_ROW2& row) { row.Address.si_family = AF_INET6; }, false},
    };
    for (std::size_t index = 0; index < cases.size(); ++index) {
        SCOPED_TRACE(index);
        MIB_IPNET_ROW2 row = reachable_row();
        cases[index].first(row);
        const auto neighbour = reachable_neighbour(row);
        EXPECT_EQ(neighbour.has_value(), cases[index].second);
        EXPECT_TRUE(!neighbour || *neighbour == expected);
    }
}

} // namespace
} // namespace zelvoro::platform
