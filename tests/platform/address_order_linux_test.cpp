#include "platform/address_order_linux.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

const LocalAddress loopback{1, {{127, 0, 0, 1}}, true};
const LocalAddress eth_high{2, {{198, 51, 100, 9}}, false};
const LocalAddress eth_low{2, {{198, 51, 100, 3}}, false};
const LocalAddress wlan{3, {{192, 0, 2, 7}}, false};

TEST(platform_address_order_linux, InterfacesInIndexOrderLoopbackLast) {
    std::vector<std::string> texts;
    for (const auto& address : table_order({loopback, wlan, eth_high, eth_low})) {
        texts.push_back(to_dotted_quad(address));
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{"198.51.100.9", "198.51.100.3", "192.0.2.7", "127.0.0.1"}));
}

} // namespace
} // namespace zelvoro::platform
