// ICMP echo packets: the Internet checksum, the echo request we send and the replies we accept.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace zelvoro::platform::icmp {

constexpr std::uint8_t echo_reply_type = 0;
constexpr std::uint8_t echo_request_type = 8;
constexpr std::size_t header_size = 8;
constexpr std::size_t echo_data_size = 11;
constexpr std::size_t echo_request_size = header_size + echo_data_size;

// The 11 bytes every request carries; a reply echoes them back.
constexpr std::array<std::uint8_t, echo_data_size> echo_data{'Z', 'e', 'l', 'v', 'o', 'r',
                                                             'o', 'E', 'c', 'h', 'o'};

struct EchoHeader {
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;

    friend bool operator==(const EchoHeader&, const EchoHeader&) = default;
};

// The one's complement of the one's complement sum of the bytes read as big-endian 16-bit
// words (an odd last byte is padded with a zero). Over a packet whose checksum field holds
// this value the result is 0.
constexpr std::uint16_t internet_checksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const std::uint32_t low = i + 1 < bytes.size() ? bytes[i + 1] : 0;
        sum += (std::uint32_t{bytes[i]} << 8) | low;
    }
    while (sum > 0xffff) {
        sum = (sum & 0xffff) + (sum >> 16);
    }
    return static_cast<std::uint16_t>(~sum & 0xffff);
}

constexpr std::uint16_t read_u16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

constexpr void write_u16(std::span<std::uint8_t> bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value & 0xff);
}

// Type 8, code 0, checksum, identifier and sequence (network byte order), then the 11 data bytes.
constexpr std::array<std::uint8_t, echo_request_size> encode_echo_request(EchoHeader header) {
    std::array<std::uint8_t, echo_request_size> packet{};
    packet[0] = echo_request_type;
    write_u16(packet, 4, header.identifier);
    write_u16(packet, 6, header.sequence);
    for (std::size_t i = 0; i < echo_data.size(); ++i) {
        packet[header_size + i] = echo_data[i];
    }
    write_u16(packet, 2, internet_checksum(packet));
    return packet;
}

// Identifier and sequence of a well-formed echo reply (type 0, code 0, checksum correct);
// nothing for any other ICMP message, our own requests included.
constexpr std::optional<EchoHeader> decode_echo_reply(std::span<const std::uint8_t> message) {
    if (message.size() < header_size || message[0] != echo_reply_type || message[1] != 0 ||
        internet_checksum(message) != 0) {
        return std::nullopt;
    }
    return EchoHeader{read_u16(message, 4), read_u16(message, 6)};
}

// The payload of an IPv4 packet, found by the header length in its first byte; nothing when
// the bytes are not IPv4 or too short for the header they announce.
constexpr std::optional<std::span<const std::uint8_t>>
ipv4_payload(std::span<const std::uint8_t> packet) {
    if (packet.empty() || (packet[0] >> 4) != 4) {
        return std::nullopt;
    }
    const std::size_t header_length = std::size_t{packet[0] & 0x0fu} * 4;
    if (header_length < 20 || packet.size() < header_length) {
        return std::nullopt;
    }
    return packet.subspan(header_length);
}

} // namespace zelvoro::platform::icmp
