// Requests and dumps over an rtnetlink socket: messages are built and read as bytes, with
// every header and attribute copied in and out, never aliased.
#pragma once

#include "platform/ipv4_address.h"
#include "platform/linux/file_descriptor_linux.h"

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

// The message a request goes out as: the netlink header (NLM_F_REQUEST and `extra_flags`
// added to the request's own flags, port 0 left for the kernel to fill in), then the payload.
std::vector<std::byte> request_message(const Request& request, std::uint16_t extra_flags,
                                       std::uint32_t sequence);

// The answer a socket waits for: the kernel sends it to the socket's port, each message
// carrying the port and the request's sequence number.
struct Exchange {
    std::uint32_t port = 0;
    std::uint32_t sequence = 0;
};

// The answer to one request, as far as its datagrams have been read.
struct Answer {
    // The messages of a dump, in the kernel's order.
    std::vector<Reply> replies;
    // Whether the kernel flagged the dump as interrupted by a change made meanwhile.
    bool interrupted = false;
    // Once the answer is complete: 0, or the errno value the kernel answered with.
    std::optional<int> error;
    // Why, in the kernel's words, where its extended acknowledgement says (NLMSGERR_ATTR_MSG).
    std::string reason;
};

// Adds what one datagram from the port `sender` says about the answer to `exchange`: only the
// kernel (port 0) answers, so a datagram from another sender is passed over, and so are
// messages for another port or another request; reading stops where the answer ends. Throws
// PlatformError when a message does not fit in the datagram.
void read_answer(std::span<const std::byte> datagram, std::uint32_t sender,
                 const Exchange& exchange, Answer& answer);

// The messages of one datagram of notifications (a group's members get them unasked), in their
// order. Throws PlatformError when a message does not fit in the datagram.
std::vector<Reply> read_notifications(std::span<const std::byte> datagram);

// What the kernel answered a change with: 0 or an errno value, and its reason, if it gave one.
struct Acknowledgement {
    int error = 0;
    std::string reason;
};

// A NETLINK_ROUTE socket of this process's network namespace, asking for extended
// acknowledgements (the kernel's reason beside an error).
class RouteSocket {
public:
    // Throws PlatformError when no socket can be opened.
    RouteSocket();

    // Sends a request that changes something, asking for an acknowledgement. Throws
    // PlatformError when the exchange itself fails.
    Acknowledgement change(const Request& request);

    // The answer to a request for one thing (not a dump): its messages, and 0 or the errno value
    // the kernel answered with. Throws PlatformError when the exchange itself fails.
    Answer ask(const Request& request);

    // The kernel's answer to a request for one object (such as the route to an address), or
    // nothing when it answers with an error. Throws PlatformError when the exchange itself fails.
    std::optional<Reply> get(const Request& request);

    // Every message a dump request yields, in the kernel's order; a dump the kernel reports as
    // interrupted by a change is made again. Throws PlatformError when it cannot be made.
    std::vector<Reply> dump(const Request& request);

private:
    Exchange send(const Request& request, std::uint16_t extra_flags);
    // Reads datagrams until the answer to `exchange` is complete.
    Answer receive(const Exchange& exchange);
    struct Datagram {
        std::span<const std::byte> bytes;
        std::uint32_t sender; // the sending socket's port: 0 for the kernel
    };
    Datagram next_datagram();

    FileDescriptor fd_;
    std::uint32_t port_ = 0;
    std::uint32_t next_sequence_ = 1;
    // Left uninitialised: only what the kernel writes is ever read.
    std::unique_ptr<std::byte[]> buffer_;
};

} // namespace zelvoro::platform::netlink
