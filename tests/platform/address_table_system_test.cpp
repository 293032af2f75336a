// The machine's own table, read as the window logic reads it.
#include "platform/address_table.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace zelvoro::platform {
namespace {

TEST(platform_system_address_table, ListsLoopback) {
    const auto table = make_system_address_table();
    const auto read = table->read();
    const auto* addresses = std::get_if<std::vector<LocalAddress>>(&read);
    ASSERT_NE(addresses, nullptr) << "no table, or a failure: "
                                  << (std::holds_alternative<AddressTableFailure>(read)
                                          ? std::get<AddressTableFailure>(read).reason
                                          : "no table");
    const LocalAddress loopback{{{127, 0, 0, 1}}, {{255, 0, 0, 0}}};
    EXPECT_NE(std::find(addresses->begin(), addresses->end(), loopback), addresses->end());
}

} // namespace
} // namespace zelvoro::platform
