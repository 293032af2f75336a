// The bytes GetIpAddrTable writes, read back. The system's table never holds the odd cases, so
// these buffers are this side's only check of them.
#include "platform/address_table_buffer_win32.h"

#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

// A MIB_IPADDRTABLE claiming `count` rows, holding `rows` (dwAddr and dwMask, every other field
// filled with 0xEE), cut or padded with zeros to `length` bytes.
std::vector<std::uint8_t> table(std::uint32_t count, const std::vector<LocalAddress>& rows,
                                std::size_t length) {
    std::vector<std::uint8_t> bytes(sizeof count);
    std::memcpy(bytes.data(), &count, sizeof count);
    for (const LocalAddress& row : rows) {
        bytes.insert(bytes.end(), row.address.octets.begin(), row.address.octets.end());
        bytes.insert(bytes.end(), 4, 0xEE);
        bytes.insert(bytes.end(), row.mask.octets.begin(), row.mask.octets.end());
        bytes.insert(bytes.end(), 12, 0xEE);
    }
    bytes.resize(length);
    return bytes;
}

const LocalAddress own{{{192, 0, 2, 5}}, {{255, 255, 255, 128}}};
const LocalAddress loopback{{{127, 0, 0, 1}}, {{255, 0, 0, 0}}};
const std::vector<LocalAddress> two = {own, loopback};

struct BufferCase {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::optional<std::vector<LocalAddress>> expected; // nothing: a failure
};

TEST(platform_address_table_win32, ReadsTheAddressesAndMasksOfTheRows) {
    const std::vector<BufferCase> cases = {
        {"two rows in the platform's order", table(2, two, 52), two},
        {"room to spare after the rows", table(1, {own}, 60), std::vector{own}},
        {"no rows", table(0, {}, 4), std::vector<LocalAddress>{}},
        {"left zero-filled by a failed call", std::vector<std::uint8_t>(52),
         std::vector<LocalAddress>{}},
        {"shorter than the count", std::vector<std::uint8_t>(3), std::nullopt},
        {"nothing at all", {}, std::nullopt},
        {"the last row runs past the end", table(2, two, 51), std::nullopt},
        {"the last row starts at the end", table(2, two, 28), std::nullopt},
        {"a count no buffer holds", table(0xFFFFFFFF, two, 52), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto read = addresses_in_table(c.bytes);
        if (c.expected) {
            ASSERT_TRUE(std::holds_alternative<std::vector<LocalAddress>>(read));
            EXPECT_EQ(std::get<std::vector<LocalAddress>>(read), *c.expected);
        } else {
            ASSERT_TRUE(std::holds_alternative<AddressTableFailure>(read));
            EXPECT_FALSE(std::get<AddressTableFailure>(read).reason.empty());
        }
    }
}

} // namespace
} // namespace zelvoro::platform
