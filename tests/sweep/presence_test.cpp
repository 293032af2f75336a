#include "sweep/presence.h"

#include <gtest/gtest.h>
#include <vector>

namespace zelvoro::sweep {
namespace {

using namespace std::chrono_literals;
using platform::Ipv4Address;
using platform::MacAddress;

const MacAddress mac_a{0x00, 0x1b, 0x2c, 0xa0, 0xff, 0x01}, mac_b{0x02, 0, 0, 0, 0, 0x0b};
const SweepOutcome outcome{true, {"192.0.2.1", "192.0.2.7"}, {"192.0.2.2", "192.0.2.3"}};

// Confirms a MAC for 192.0.2.3, 192.0.2.7 and 192.0.2.99, and remembers what it was asked.
class RecordingTable final : public platform::NeighbourTable {
public:
    std::vector<platform::Neighbour> confirmed(std::span<const Ipv4Address> addresses,
                                               std::chrono::milliseconds within) override {
        asked.assign(addresses.begin(), addresses.end());
        asked_within = within;
        return {{{{192, 0, 2, 3}}, mac_b}, {{{192, 0, 2, 7}}, mac_a}, {{{192, 0, 2, 99}}, mac_a}};
    }

    std::vector<Ipv4Address> asked;
    std::chrono::milliseconds asked_within{-1};
};

TEST(sweep_presence, MacsOfBothListsConfirmedSinceTheSweepBegan) {
    RecordingTable table;
    const auto macs = read_sweep_macs(table, outcome, 7ms + 1us);
    EXPECT_EQ(macs.answering, (ListMacs{std::nullopt, mac_a}));
    EXPECT_EQ(macs.silent, (ListMacs{std::nullopt, mac_b}));
    const std::vector<Ipv4Address> both = {
        {{192, 0, 2, 1}}, {{192, 0, 2, 7}}, {{192, 0, 2, 2}}, {{192, 0, 2, 3}}};
    EXPECT_EQ(table.asked, both);
    EXPECT_EQ(table.asked_within, 8ms); // rounded up: a confirmation at the very start counts
}

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
