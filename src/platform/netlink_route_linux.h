// Requests and dumps over an rtnetlink socket: messages are built and read as bytes, with
// every header and attribute copied in and out, never aliased.
#pragma once

#include "platform/ipv4_address.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zelvoro::platform::netlink {

// A request: the netlink header, the family header, then attributes.
class Request {
public:
    template <typename FamilyHeader>
    Request(std::uint16_t type, std::uint16_t flags, const FamilyHeader& header)
        : type_(type), flags_(flags) {
        append(std::as_bytes(std::span(&header, 1)));
    }

    void add(std::uint16_t type, std::span<const std::byte> value);
    void add_u32(std::uint16_t type, std::uint32_t value) {
        add(type, std::as_bytes(std::span(&value, 1)));
    }
    void add_address(std::uint16_t type, const Ipv4Address& address) {
        add(type, std::as_bytes(std::span(address.octets)));
    }

    std::uint16_t type() const { return type_; }
    std::uint16_t flags() const { return flags_; }
    std::span<const std::byte> payload() const { return payload_; }

private:
    void append(std::span<const std::byte> bytes);

    std::uint16_t type_;
    std::uint16_t flags_;
    std::vector<std::byte> payload_;
};

// The attributes of a message (or of a nested attribute), looked up by type.
class Attributes {
public:
    explicit Attributes(std::span<const std::byte> bytes) : bytes_(bytes) {}

    std::optional<std::span<const std::byte>> find(std::uint16_t type) const;
    std::optional<std::uint32_t> u32(std::uint16_t type) const;
    std::optional<Ipv4Address> address(std::uint16_t type) const;
    // A NUL-terminated string attribute, without its terminator.
    std::optional<std::string> text(std::uint16_t type) const;

private:
    std::span<const std::byte> bytes_;
};

// One message of a dump: its family header and its attributes.
class Reply {
public:
    Reply(std::uint16_t type, std::vector<std::byte> payload)
        : type_(type), payload_(std::move(payload)) {}

    std::uint16_t type() const { return type_; }

    // Nothing when the message is too short to hold the header.
    template <typename FamilyHeader> std::optional<FamilyHeader> header() const {
        if (payload_.size() < sizeof(FamilyHeader)) {
            return std::nullopt;
        }
        FamilyHeader header{};
        std::memcpy(&header, payload_.data(), sizeof header);
        return header;
    }

    // The attributes after a family header of `header_size` bytes.
    Attributes attributes(std::size_t header_size) const;

private:
    std::uint16_t type_;
    std::vector<std::byte> payload_;
};

// A NETLINK_ROUTE socket of this process's network namespace.
class RouteSocket {
public:
    // Throws PlatformError when no socket can be opened.
    RouteSocket();
    RouteSocket(const RouteSocket&) = delete;
    RouteSocket& operator=(const RouteSocket&) = delete;
    ~RouteSocket();

    // Sends a request that changes something, asking for an acknowledgement; returns 0 or the
    // errno value the kernel answered with. Throws PlatformError when the exchange itself fails.
    int change(const Request& request);

    // Every message a dump request yields, in the kernel's order; a dump the kernel reports as
    // interrupted by a change is made again. Throws PlatformError when it cannot be made.
    std::vector<Reply> dump(const Request& request);

private:
    std::uint32_t send(const Request& request, std::uint16_t extra_flags);
    // Reads datagrams until the answer to `sequence` is complete; returns the kernel's errno
    // value (0 for success) and fills `replies` with a dump's messages.
    int receive(std::uint32_t sequence, std::vector<Reply>* replies, bool& interrupted);

    int fd_;
    std::uint32_t next_sequence_ = 1;
    std::vector<std::byte> buffer_;
};

} // namespace zelvoro::platform::netlink
