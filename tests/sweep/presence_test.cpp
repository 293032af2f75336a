#include "sweep/presence.h"

#include <gtest/gtest.h>

namespace zelvoro::sweep {
namespace {

using platform::MacAddress;

const MacAddress mac_a{0x00, 0x1b, 0x2c, 0xa0, 0xff, 0x01}, mac_b{0x02, 0, 0, 0, 0, 0x0b};

TEST(sweep_presence, TooltipTexts) {
    EXPECT_EQ(silent_present_tooltip(mac_a, ""),
              "该地址不回应PING,但有设备应答ARP(MAC 00:1b:2c:a0:ff:01),可能已被占用");
    EXPECT_EQ(
        silent_present_tooltip(mac_a, "Example, Inc."),
        "该地址不回应PING,但有设备应答ARP(MAC 00:1b:2c:a0:ff:01, Example, Inc.),可能已被占用");
    EXPECT_EQ(answering_tooltip(mac_b, ""), "MAC 02:00:00:00:00:0b");
    EXPECT_EQ(answering_tooltip(mac_a, "Example"), "MAC 00:1b:2c:a0:ff:01, Example");
    EXPECT_EQ(shared_device_tooltip(mac_b, "Example"),
              "该地址不回应PING;同一设备(MAC 02:00:00:00:00:0b, Example)为多个地址应答ARP,"
              "可能是路由器代答,不能据此判断已被占用");
}

} // namespace
} // namespace zelvoro::sweep
