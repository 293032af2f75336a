// Requests and dumps over an rtnetlink socket: messages are built and read as bytes, with
// every header and attribute copied in and out, never aliased.
#pragma once

#include "platform/linux/file_descriptor_linux.h"
#include "platform/ipv4_address.h"

#include <cstdint>
#include <cstring>
#include <memory>
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
    // Nothing when the attribute is missing or shorter than a `Plain`.
    template <typename Plain> std::optional<Plain> plain(std::uint16_t type) const {
        const auto value = find(type);
        if (!value || value->size() < sizeof(Plain)) {
            return std::nullopt;
        }
        Plain result{};
        std::memcpy(&result, value->data(), sizeof result);
        return result;
    }
    std::optional<std::uint32_t> u32(std::uint16_t type) const {
        return plain<std::uint32_t>(type);
    }
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

// The answer to one request, as far as its datagrams have been read.
struct Answer {
    // The messages of a dump, in the kernel's order.
    std::vector<Reply> replies;
    // Whether the kernel flagged the dump as interrupted by a change made meanwhile.
    bool interrupted = false;
    // Once the answer is complete: 0, or the errno value the kernel answered with.
    std::optional<int> error;
};

// Adds what one datagram says about the answer to the request `sequence` to `answer`: messages
// of other requests are passed over, and reading stops where the answer ends. Throws
// PlatformError when a message does not fit in the datagram.
void read_answer(std::span<const std::byte> datagram, std::uint32_t sequence, Answer& answer);

// The messages of one datagram of notifications (a group's members get them unasked), in their
// order. Throws PlatformError when a message does not fit in the datagram.
std::vector<Reply> read_notifications(std::span<const std::byte> datagram);

// A NETLINK_ROUTE socket of this process's network namespace.
class RouteSocket {
public:
    // Throws PlatformError when no socket can be opened.
    RouteSocket();

    // Sends a request that changes something, asking for an acknowledgement; returns 0 or the
    // errno value the kernel answered with. Throws PlatformError when the exchange itself fails.
    int change(const Request& request);

    // The answer to a request for one thing (not a dump): its messages, and 0 or the errno value
    // the kernel answered with. Throws PlatformError when the exchange itself fails.
    Answer ask(const Request& request);

    // Every message a dump request yields, in the kernel's order; a dump the kernel reports as
    // interrupted by a change is made again. Throws PlatformError when it cannot be made.
    std::vector<Reply> dump(const Request& request);

private:
    std::uint32_t send(const Request& request, std::uint16_t extra_flags);
    // Reads datagrams until the answer to `sequence` is complete.
    Answer receive(std::uint32_t sequence);
    std::span<const std::byte> next_datagram();

    FileDescriptor fd_;
    std::uint32_t next_sequence_ = 1;
    // Left uninitialised: only what the kernel writes is ever read.
    std::unique_ptr<std::byte[]> buffer_;
};

} // namespace zelvoro::platform::netlink
