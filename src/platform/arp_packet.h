// ARP over Ethernet for IPv4, as the payload of a link-layer frame: the request this machine
// sends to ask who holds an address, and the replies that prove a device holds one.
#pragma once

#include "platform/neighbours.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace zelvoro::platform::arp {

constexpr std::uint16_t ethertype = 0x0806;
constexpr std::size_t packet_size = 28;

// "Who has `target`? Tell `sender`": hardware type Ethernet, protocol IPv4, operation 1, the
// target's hardware address left zero. Sent to the link's broadcast address.
std::array<std::uint8_t, packet_size>
encode_request(const MacAddress& sender_mac, const Ipv4Address& sender, const Ipv4Address& target);

// The address a reply answers for and the hardware address it gives: an Ethernet/IPv4 reply
// (operation 2) whose sender hardware address is a device's own (not zero, not a group
// address). Nothing for any other packet; a link's padding after the 28 bytes is ignored.
std::optional<Neighbour> decode_reply(std::span<const std::uint8_t> packet);

} // namespace zelvoro::platform::arp
