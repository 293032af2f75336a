#include "platform/address_table_rows.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

const Ipv4Address mask_24{{255, 255, 255, 0}};
const LocalAddress loopback{1, {{127, 0, 0, 1}}, {{255, 0, 0, 0}}, true};
const LocalAddress eth_high{2, {{198, 51, 100, 9}}, mask_24, false};
const LocalAddress eth_low{2, {{198, 51, 100, 3}}, mask_24, false};
const LocalAddress wlan{3, {{192, 0, 2, 7}}, mask_24, false};

std::vector<std::string> ordered(const std::vector<LocalAddress>& listed, bool sorted) {
    std::vector<std::string> texts;
    for (const auto& row : table_order(listed, sorted)) {
        texts.push_back(to_dotted_quad(row.address));
    }
    return texts;
}

TEST(platform_address_table_rows, Order) {
    const std::vector<LocalAddress> listed = {loopback, wlan, eth_high, eth_low};
    EXPECT_EQ(ordered(listed, false),
              (std::vector<std::string>{"198.51.100.9", "198.51.100.3", "192.0.2.7", "127.0.0.1"}));
    EXPECT_EQ(ordered(listed, true),
              (std::vector<std::string>{"127.0.0.1", "192.0.2.7", "198.51.100.3", "198.51.100.9"}));
}

struct RoomCase {
    std::size_t buffer_length;
    std::int32_t size_in;
    bool written;
};

TEST(platform_address_table_rows, WritesOnlyWhenTheRoomHoldsTheTable) {
    constexpr std::int32_t needed = 4 + 2 * 24;
    const std::vector<RoomCase> cases = {
        {0, 0, false},
        {needed - 1, needed - 1, false},
        {200, needed - 1, false},
        {needed - 1, 200, false},
        {200, -1, false},
        {needed, needed, true},
        {200, 200, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.buffer_length << " bytes, size " << c.size_in);
        std::vector<std::uint8_t> buffer(c.buffer_length, 0xEE);
        std::int32_t size = c.size_in;
        fill_table(std::vector{eth_high, loopback}, buffer, size);
        EXPECT_EQ(size, needed);
        EXPECT_EQ(std::all_of(buffer.begin(), buffer.end(), [](auto b) { return b == 0xEE; }),
                  !c.written);
        if (c.written) {
            EXPECT_EQ(buffer[0], 2);
            EXPECT_EQ(buffer[4 + 24], 127); // the second row's first octet
        }
    }
}

TEST(platform_address_table_rows, RowLayoutIsTheIpAddrRow) {
    std::vector<std::uint8_t> buffer(28);
    std::int32_t size = 28;
    fill_table(std::vector<LocalAddress>{{7, {{192, 0, 2, 5}}, mask_24, false}}, buffer, size);
    // dwAddr and dwMask in network byte order; the numbers in the machine's (little-endian).
    const std::vector<std::uint8_t> expected = {
        1,   0,   0,   0, // dwNumEntries
        192, 0,   2,   5, // dwAddr
        7,   0,   0,   0, // dwIndex
        255, 255, 255, 0, // dwMask
        1,   0,   0,   0, // dwBCastAddr: the broadcast address's host part is all ones
        255, 255, 0,   0, // dwReasmSize 65535
        0,   0,   1,   0, // unused1, wType: primary
    };
    EXPECT_EQ(buffer, expected);
}

// A local address table with `rows` rows, read back (counts that lie included).
class TableOf final : public AddressTable {
public:
    explicit TableOf(std::vector<LocalAddress> rows) : rows_(std::move(rows)) {}
    void read(std::span<std::uint8_t> buffer, std::int32_t& size, bool) override {
        fill_table(rows_, buffer, size);
    }

private:
    std::vector<LocalAddress> rows_;
};

TEST(platform_address_table_rows, ReadsRowsBack) {
    TableOf table({eth_high, loopback, wlan});
    EXPECT_EQ(read_local_addresses(table), (std::vector{eth_high, loopback, wlan}));
    EXPECT_EQ(read_local_addresses(*std::make_unique<TableOf>(std::vector<LocalAddress>{})),
              std::vector<LocalAddress>{});

    std::vector<std::uint8_t> bytes(4 + 2 * 24);
    std::int32_t size = static_cast<std::int32_t>(bytes.size());
    fill_table(std::vector{eth_high, wlan}, bytes, size);
    bytes[0] = 9; // more rows counted than there are
    EXPECT_EQ(read_rows(bytes), (std::vector{eth_high, wlan}));
    EXPECT_EQ(read_rows(std::span(bytes).first(3)), std::vector<LocalAddress>{});
}

} // namespace
} // namespace zelvoro::platform
