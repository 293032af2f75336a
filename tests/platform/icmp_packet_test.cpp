#include "platform/icmp_packet.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace zelvoro::platform::icmp {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct ChecksumCase {
    std::string name;
    Bytes bytes;
    std::uint16_t expected;
};

TEST(platform_icmp_packet, ChecksumMatchesKnownValues) {
    const std::vector<ChecksumCase> cases = {
        {"empty", {}, 0xffff},
        {"zero word", {0x00, 0x00}, 0xffff},
        {"all ones", {0xff, 0xff}, 0x0000},
        {"odd length padded", {0x01}, 0xfeff},
        {"RFC 1071 example with carries", {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7}, 0x220d},
        {"IPv4 header",
         {0x45, 0x00, 0x00, 0x73, 0x00, 0x00, 0x40, 0x00, 0x40, 0x11,
          0x00, 0x00, 0xc0, 0xa8, 0x00, 0x01, 0xc0, 0xa8, 0x00, 0xc7},
         0xb861},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(internet_checksum(c.bytes), c.expected);
    }
}

struct EncodeCase {
    EchoHeader header;
    std::uint16_t checksum;
};

TEST(platform_icmp_packet, EncodesTheEchoRequest) {
    const std::vector<EncodeCase> cases = {
        {{0x1234, 0x0001}, 0x6dce},
        {{0xffff, 0xffff}, 0x8003},
    };
    for (const auto& c : cases) {
        const auto packet = encode_echo_request(c.header);
        const Bytes expected_header = {8,
                                       0,
                                       static_cast<std::uint8_t>(c.checksum >> 8),
                                       static_cast<std::uint8_t>(c.checksum & 0xff),
                                       static_cast<std::uint8_t>(c.header.identifier >> 8),
                                       static_cast<std::uint8_t>(c.header.identifier & 0xff),
                                       static_cast<std::uint8_t>(c.header.sequence >> 8),
                                       static_cast<std::uint8_t>(c.header.sequence & 0xff)};
        ASSERT_EQ(packet.size(), 19u);
        EXPECT_EQ(Bytes(packet.begin(), packet.begin() + 8), expected_header);
        EXPECT_EQ(std::string(packet.begin() + 8, packet.end()), "ZelvoroEcho");
        EXPECT_EQ(internet_checksum(packet), 0);
    }
}

Bytes request_bytes(EchoHeader header) {
    const auto request = encode_echo_request(header);
    return Bytes(request.begin(), request.end());
}

// The request turned into the reply a host sends back: type 0, checksum recomputed.
Bytes reply_to(EchoHeader header) {
    Bytes reply = request_bytes(header);
    reply[0] = echo_reply_type;
    reply[2] = reply[3] = 0;
    const std::uint16_t checksum = internet_checksum(reply);
    reply[2] = static_cast<std::uint8_t>(checksum >> 8);
    reply[3] = static_cast<std::uint8_t>(checksum & 0xff);
    return reply;
}

struct DecodeCase {
    std::string name;
    Bytes message;
    std::optional<EchoHeader> expected;
};

Bytes changed(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    return bytes;
}

TEST(platform_icmp_packet, DecodesOnlyWellFormedEchoReplies) {
    const Bytes reply = reply_to({0xbeef, 0x0102});
    const std::vector<DecodeCase> cases = {
        {"echo reply", reply, EchoHeader{0xbeef, 0x0102}},
        {"header alone", Bytes{0, 0, 0xff, 0xfa, 0, 1, 0, 4}, EchoHeader{1, 4}},
        {"odd length", Bytes{0, 0, 0xf8, 0xfa, 0, 1, 0, 4, 7}, EchoHeader{1, 4}},
        {"our own request", request_bytes({1, 2}), std::nullopt},
        {"destination unreachable", changed(reply, 0, 3), std::nullopt},
        {"nonzero code", changed(reply, 1, 1), std::nullopt},
        {"damaged data", changed(reply, 10, 'x'), std::nullopt},
        {"damaged sequence", changed(reply, 7, 0x03), std::nullopt},
        {"seven bytes", Bytes(reply.begin(), reply.begin() + 7), std::nullopt},
        {"empty", Bytes{}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decode_echo_reply(c.message), c.expected);
    }
}

struct PayloadCase {
    std::string name;
    Bytes packet;
    std::optional<std::size_t> payload_offset;
};

Bytes ipv4_packet(std::uint8_t first_byte, std::size_t size) {
    Bytes packet(size, 0xaa);
    packet[0] = first_byte;
    return packet;
}

TEST(platform_icmp_packet, FindsThePayloadByTheHeaderLength) {
    const std::vector<PayloadCase> cases = {
        {"plain header", ipv4_packet(0x45, 39), 20},
        {"header with options", ipv4_packet(0x46, 43), 24},
        {"longest header", ipv4_packet(0x4f, 60), 60},
        {"header shorter than 20 bytes", ipv4_packet(0x44, 39), std::nullopt},
        {"packet shorter than its header", ipv4_packet(0x46, 23), std::nullopt},
        {"IPv6", ipv4_packet(0x65, 39), std::nullopt},
        {"empty", Bytes{}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto payload = ipv4_payload(c.packet);
        ASSERT_EQ(payload.has_value(), c.payload_offset.has_value());
        if (payload) {
            EXPECT_EQ(payload->data(), c.packet.data() + *c.payload_offset);
            EXPECT_EQ(payload->size(), c.packet.size() - *c.payload_offset);
        }
    }
}

} // namespace
} // namespace zelvoro::platform::icmp
