#include "platform/address_table_rows.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

const Ipv4Address mask_24{{255, 255, 255, 0}};
const Ipv4Address mask_8{{255, 0, 0, 0}};

LocalAddress on(std::uint32_t index, Ipv4Address address, bool loopback = false) {
    return {index, address, loopback ? mask_8 : mask_24, loopback};
}

const LocalAddress loopback = on(1, {{127, 0, 0, 1}}, true);
const LocalAddress eth_high = on(2, {{198, 51, 100, 9}});
const LocalAddress eth_low = on(2, {{198, 51, 100, 3}});
const LocalAddress wlan = on(3, {{192, 0, 2, 7}});

std::vector<std::string> addresses_of(const std::vector<LocalAddress>& rows) {
    std::vector<std::string> texts;
    for (const auto& row : rows) {
        texts.push_back(to_dotted_quad(row.address));
    }
    return texts;
}

struct OrderCase {
    std::string name;
    std::vector<LocalAddress> listed;
    bool sorted;
    std::vector<std::string> expected;
};

TEST(platform_address_table_rows, Order) {
    const std::vector<OrderCase> cases = {
        {"loopback moves behind the machine's addresses",
         {loopback, eth_high, wlan},
         false,
         {"198.51.100.9", "192.0.2.7", "127.0.0.1"}},
        {"interfaces in index order, each one's addresses as listed",
         {wlan, eth_high, eth_low},
         false,
         {"198.51.100.9", "198.51.100.3", "192.0.2.7"}},
        {"sorted: ascending addresses, loopback among them",
         {eth_high, loopback, wlan, eth_low},
         true,
         {"127.0.0.1", "192.0.2.7", "198.51.100.3", "198.51.100.9"}},
        {"nothing listed", {}, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(addresses_of(table_order(c.listed, c.sorted)), c.expected);
    }
}

struct FillCase {
    std::string name;
    std::size_t buffer_length;
    std::int32_t size_in;
    bool written;
};

TEST(platform_address_table_rows, WritesOnlyWhenTheRoomHoldsTheTable) {
    const std::vector<LocalAddress> rows = {eth_high, loopback};
    constexpr std::int32_t needed = 4 + 2 * 24;
    const std::vector<FillCase> cases = {
        {"size query: empty buffer", 0, 0, false},
        {"buffer one byte short", needed - 1, needed - 1, false},
        {"size smaller than the buffer", 200, needed - 1, false},
        {"size larger than the buffer", needed - 1, 200, false},
        {"negative size", 200, -1, false},
        {"exactly the table", needed, needed, true},
        {"more room than needed", 200, 200, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> buffer(c.buffer_length, 0xEE);
        std::int32_t size = c.size_in;
        fill_table(rows, buffer, size);
        EXPECT_EQ(size, needed);
        const bool untouched = std::all_of(buffer.begin(), buffer.end(),
                                           [](std::uint8_t byte) { return byte == 0xEE; });
        EXPECT_EQ(untouched, !c.written);
        if (c.written) {
            EXPECT_EQ(buffer[0], 2);
            EXPECT_EQ(buffer[4 + 24], 127); // the second row's first octet
        }
    }
}

TEST(platform_address_table_rows, RowLayoutIsTheIpAddrRow) {
    const std::vector<LocalAddress> rows = {{7, {{192, 0, 2, 5}}, mask_24, false}};
    std::vector<std::uint8_t> buffer(28);
    std::int32_t size = 28;
    fill_table(rows, buffer, size);
    // Count, then dwAddr and dwMask in network byte order; dwIndex, dwBCastAddr (1),
    // dwReasmSize (65535), unused1 and wType (primary) in the machine's (little-endian) order.
    const std::vector<std::uint8_t> expected = {
        1,   0,   0,   0, // dwNumEntries
        192, 0,   2,   5, // dwAddr
        7,   0,   0,   0, // dwIndex
        255, 255, 255, 0, // dwMask
        1,   0,   0,   0, // dwBCastAddr
        255, 255, 0,   0, // dwReasmSize
        0,   0,   1,   0, // unused1, wType
    };
    EXPECT_EQ(buffer, expected);
}

TEST(platform_address_table_rows, EmptyTableIsItsCount) {
    std::vector<std::uint8_t> buffer(4, 0xEE);
    std::int32_t size = 4;
    fill_table({}, buffer, size);
    EXPECT_EQ(size, 4);
    EXPECT_EQ(buffer, (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

} // namespace
} // namespace zelvoro::platform
