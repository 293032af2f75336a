#include "platform/address_order_linux.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

const Ipv4Address mask_24{{255, 255, 255, 0}};
const ListedAddress loopback{1, {{127, 0, 0, 1}}, {{255, 0, 0, 0}}, true};
const ListedAddress eth_high{2, {{198, 51, 100, 9}}, mask_24, false};
const ListedAddress eth_low{2, {{198, 51, 100, 3}}, {{255, 255, 0, 0}}, false};
const ListedAddress wlan{3, {{192, 0, 2, 7}}, mask_24, false};

TEST(platform_address_order_linux, InterfacesInIndexOrderLoopbackLast) {
    std::vector<std::string> texts;
    for (const auto& row : table_order({loopback, wlan, eth_high, eth_low})) {
        texts.push_back(to_dotted_quad(row.address) + ' ' + to_dotted_quad(row.mask));
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{"198.51.100.9 255.255.255.0", "198.51.100.3 255.255.0.0",
                                        "192.0.2.7 255.255.255.0", "127.0.0.1 255.0.0.0"}));
}

} // namespace
} // namespace zelvoro::platform
