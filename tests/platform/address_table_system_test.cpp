// The machine's own table, read as the window logic reads it: a size query, then a buffer of
// exactly that size.
#include "platform/address_table.h"
#include "platform/ipv4_address.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace zelvoro::platform {
namespace {

TEST(platform_system_address_table, ListsLoopback) {
    const auto table = make_system_address_table();
    std::int32_t size = 0;
    table->read({}, size, true);
    ASSERT_GE(size, 4);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));
    table->read(buffer, size, false);
    std::uint32_t count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    ASSERT_LE(4 + 24 * count, buffer.size());
    bool loopback = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        loopback |= std::memcmp(buffer.data() + 4 + 24 * i, "\x7f\0\0\x01", 4) == 0;
    }
    EXPECT_TRUE(loopback);
}

} // namespace
} // namespace zelvoro::platform
