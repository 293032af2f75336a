#include "scanner/presence.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::scanner {
namespace {

using namespace std::chrono_literals;
using platform::Ipv4Address;
using platform::MacAddress;

const MacAddress mac_a{0x00, 0x1b, 0x2c, 0xa0, 0xff, 0x01}, mac_b{0x02, 0, 0, 0, 0, 0x0b};

// Confirms the addresses it is given a MAC for, and remembers what it was asked.
class RecordingTable final : public platform::NeighbourTable {
public:
    std::vector<platform::Neighbour> confirmed(std::span<const Ipv4Address> addresses,
                                               std::chrono::milliseconds within) override {
        asked.assign(addresses.begin(), addresses.end());
        asked_within = within;
        return neighbours;
    }

    std::vector<platform::Neighbour> neighbours;
    std::vector<Ipv4Address> asked;
    std::chrono::milliseconds asked_within{-1};
};

const SweepOutcome outcome{true, {"192.0.2.1", "192.0.2.7"}, {"192.0.2.2", "192.0.2.3"}};

TEST(scanner_presence, PairsConfirmedNeighboursWithTheirItems) {
    struct Case {
        std::string name;
        std::vector<platform::Neighbour> confirmed;
        SweepMacs expected;
    };
    const std::vector<Case> cases = {
        {"nothing confirmed", {}, {{{}, {}}, {{}, {}}}},
        {"an answering and a silent item",
         {{{{192, 0, 2, 3}}, mac_b}, {{{192, 0, 2, 7}}, mac_a}},
         {{{}, mac_a}, {{}, mac_b}}},
        {"an address in neither list", {{{{192, 0, 2, 99}}, mac_a}}, {{{}, {}}, {{}, {}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto macs = pair_macs(outcome, c.confirmed);
        EXPECT_EQ(macs.answering, c.expected.answering);
        EXPECT_EQ(macs.silent, c.expected.silent);
    }
}

TEST(scanner_presence, AsksAboutBothListsSinceTheSweepBegan) {
    RecordingTable table;
    table.neighbours = {{{{192, 0, 2, 2}}, mac_a}};
    const auto macs = read_sweep_macs(table, outcome, 7ms + 1us);
    const std::vector<Ipv4Address> both = {
        {{192, 0, 2, 1}}, {{192, 0, 2, 7}}, {{192, 0, 2, 2}}, {{192, 0, 2, 3}}};
    EXPECT_EQ(table.asked, both);
    EXPECT_EQ(table.asked_within, 8ms); // rounded up: a confirmation at the very start counts
    EXPECT_EQ(macs.silent, (ListMacs{mac_a, std::nullopt}));

    read_sweep_macs(table, outcome, 7ms);
    EXPECT_EQ(table.asked_within, 7ms);
}

TEST(scanner_presence, TooltipTexts) {
    EXPECT_EQ(silent_present_tooltip(mac_a, ""),
              "该地址不回应PING,但有设备应答ARP(MAC 00:1b:2c:a0:ff:01),可能已被占用");
    EXPECT_EQ(silent_present_tooltip(mac_a, "Example Networks, Inc."),
              "该地址不回应PING,但有设备应答ARP(MAC 00:1b:2c:a0:ff:01, Example Networks, "
              "Inc.),可能已被占用");
    EXPECT_EQ(answering_tooltip(mac_b, ""), "MAC 02:00:00:00:00:0b");
    EXPECT_EQ(answering_tooltip(mac_a, "Example"), "MAC 00:1b:2c:a0:ff:01, Example");
}

} // namespace
} // namespace zelvoro::scanner
