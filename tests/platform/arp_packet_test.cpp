// ARP packets as captured on a veth in a namespace (192.0.2.20, 02:5a:00:00:00:14, asking for
// and answering 192.0.2.1, 02:5a:00:00:00:01), and altered copies of them.
#include "platform/arp_packet.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::platform::arp {
namespace {

constexpr std::string_view captured_request =
    "0001080006040001025a00000014c0000214000000000000c0000201";
constexpr std::string_view captured_reply =
    "0001080006040002025a00000014c0000214025a00000001c0000201";

const Ipv4Address device{{192, 0, 2, 20}};
const MacAddress device_mac{0x02, 0x5a, 0, 0, 0, 0x14};

std::vector<std::uint8_t> bytes_of(std::string_view hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
        bytes.push_back(
            static_cast<std::uint8_t>(std::stoul(std::string(hex.substr(at, 2)), nullptr, 16)));
    }
    return bytes;
}

TEST(platform_arp_packet, RequestIsTheOneTheKernelSends) {
    const auto request = encode_request(device_mac, device, {{192, 0, 2, 1}});
    EXPECT_EQ(std::vector<std::uint8_t>(request.begin(), request.end()),
              bytes_of(captured_request));
}

TEST(platform_arp_packet, OnlyRepliesFromADeviceProveIt) {
    struct Case {
        std::string name;
        std::vector<std::uint8_t> packet;
        bool proves;
    };
    const auto altered = [](std::size_t at, std::uint8_t value) {
        auto packet = bytes_of(captured_reply);
        packet[at] = value;
        return packet;
    };
    auto padded = bytes_of(captured_reply);
    padded.resize(46, 0); // the payload of a minimum Ethernet frame
    auto short_one = bytes_of(captured_reply);
    short_one.pop_back();
    auto zero_mac = bytes_of(captured_reply);
    std::fill(zero_mac.begin() + 8, zero_mac.begin() + 14, 0);
    const std::vector<Case> cases = {
        {"the captured reply", bytes_of(captured_reply), true},
        {"padded to a minimum frame", padded, true},
        {"a request", bytes_of(captured_request), false},
        {"cut short", short_one, false},
        {"not Ethernet", altered(1, 6), false},
        {"not IPv4", altered(2, 0x86), false},
        {"a hardware address of 8 bytes", altered(4, 8), false},
        {"an operation beyond reply (RARP)", altered(7, 4), false},
        {"a group sender address", altered(8, 0x03), false},
        {"a zero sender address", zero_mac, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto proof = decode_reply(c.packet);
        ASSERT_EQ(proof.has_value(), c.proves);
        if (proof) {
            EXPECT_EQ(*proof, (Neighbour{device, device_mac}));
        }
    }
}

} // namespace
} // namespace zelvoro::platform::arp
