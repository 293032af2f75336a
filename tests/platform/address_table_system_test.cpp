// The machine's own table, read the way the window logic reads it: a size query, then a buffer
// of exactly that size.
#include "platform/address_table.h"
#include "platform/ipv4_address.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace zelvoro::platform {
namespace {

std::vector<Ipv4Address> read_table(AddressTable& table, bool sorted) {
    std::int32_t size = 0;
    table.read({}, size, true);
    EXPECT_GE(size, 4);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::max(size, 0)));
    table.read(buffer, size, sorted);
    std::uint32_t count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    EXPECT_LE(address_table_header_size + count * address_table_row_size, buffer.size());
    std::vector<Ipv4Address> addresses(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::memcpy(addresses[i].octets.data(),
                    buffer.data() + address_table_header_size + i * address_table_row_size, 4);
    }
    return addresses;
}

TEST(platform_system_address_table, ListsLoopback) {
    const auto table = make_system_address_table();
    const auto addresses = read_table(*table, false);
    EXPECT_NE(std::find(addresses.begin(), addresses.end(), Ipv4Address{{127, 0, 0, 1}}),
              addresses.end());
}

TEST(platform_system_address_table, SortedTableAscends) {
    const auto table = make_system_address_table();
    const auto addresses = read_table(*table, true);
    EXPECT_FALSE(addresses.empty());
    EXPECT_TRUE(std::is_sorted(addresses.begin(), addresses.end()));
}

} // namespace
} // namespace zelvoro::platform
