#include "platform/arp_packet.h"

#include <algorithm>

namespace zelvoro::platform::arp {

namespace {

constexpr std::uint16_t hardware_ethernet = 1;
constexpr std::uint16_t protocol_ipv4 = 0x0800;
constexpr std::uint8_t hardware_size = 6;
constexpr std::uint8_t protocol_size = 4;
constexpr std::uint16_t operation_request = 1;
constexpr std::uint16_t operation_reply = 2;
// Offsets of the fields that follow the fixed header.
constexpr std::size_t sender_mac_at = 8;
constexpr std::size_t sender_address_at = 14;
constexpr std::size_t target_address_at = 24;

std::uint16_t read_u16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

void write_u16(std::span<std::uint8_t> bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value & 0xff);
}

// A group address (broadcast included) has the lowest bit of its first octet set.
bool is_device_address(const MacAddress& mac) {
    return (mac[0] & 1) == 0 && std::any_of(mac.begin(), mac.end(), [](auto b) { return b != 0; });
}

} // namespace

std::array<std::uint8_t, packet_size>
encode_request(const MacAddress& sender_mac, const Ipv4Address& sender, const Ipv4Address& target) {
    std::array<std::uint8_t, packet_size> packet{};
    write_u16(packet, 0, hardware_ethernet);
    write_u16(packet, 2, protocol_ipv4);
    packet[4] = hardware_size;
    packet[5] = protocol_size;
    write_u16(packet, 6, operation_request);
    std::copy(sender_mac.begin(), sender_mac.end(), packet.begin() + sender_mac_at);
    std::copy(sender.octets.begin(), sender.octets.end(), packet.begin() + sender_address_at);
    std::copy(target.octets.begin(), target.octets.end(), packet.begin() + target_address_at);
    return packet;
}

std::optional<Neighbour> decode_reply(std::span<const std::uint8_t> packet) {
    if (packet.size() < packet_size || read_u16(packet, 0) != hardware_ethernet ||
        read_u16(packet, 2) != protocol_ipv4 || packet[4] != hardware_size ||
        packet[5] != protocol_size || read_u16(packet, 6) != operation_reply) {
        return std::nullopt;
    }
    Neighbour proof{};
    std::copy_n(packet.begin() + sender_mac_at, proof.mac.size(), proof.mac.begin());
    std::copy_n(packet.begin() + sender_address_at, proof.address.octets.size(),
                proof.address.octets.begin());
    if (!is_device_address(proof.mac)) {
        return std::nullopt;
    }
    return proof;
}

} // namespace zelvoro::platform::arp
