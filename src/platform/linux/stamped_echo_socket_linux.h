// The ICMP socket of a sweep: non-blocking, handing requests to the kernel several at a time, and
// telling for every datagram it reads when the kernel received it (echo_linux.cpp says how the
// receive stamps are switched on and judged).
#pragma once

#include "platform/echo_requests.h"
#include "platform/icmp_packet.h"
#include "platform/ipv4_address.h"
#include "platform/linux/file_descriptor_linux.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>

struct msghdr;
struct sockaddr_in;

namespace zelvoro::platform {

// Requests are handed to the kernel this many at a time, in one call, and the socket is read
// before each such batch: often enough that the replies of a /24 where every host answers never
// fill the receive buffer, seldom enough that the reads do not slow the sending down.
constexpr std::size_t echo_requests_per_send = 8;

// Now, on the clock the kernel stamps received datagrams with.
StampTime stamp_clock_now();

struct EchoDatagram {
    Ipv4Address source;
    ReceiveTime received;
    std::span<const std::uint8_t> bytes;
};

enum class EchoSendOutcome { sent, no_room, failed };

struct OutgoingEcho {
    Ipv4Address to;
    std::array<std::uint8_t, icmp::echo_request_size> packet;
};

// A ping socket where the caller's group may open one, a raw socket otherwise.
class StampedEchoSocket {
public:
    // Nothing when neither kind can be opened.
    static std::optional<StampedEchoSocket> open();

    // The kernel replaces the identifier of a ping socket's requests with its own and hands the
    // socket only the replies carrying it; a raw socket sees every reply and must check it.
    bool kernel_assigns_identifier() const { return !raw_; }

    // Hands up to echo_requests_per_send requests to the kernel in one call: how many of the
    // first ones it took, or why it took none. Does not set SO_BROADCAST: a request to a
    // broadcast address fails with EACCES, and the address is silent, as it would be if only
    // replies from the address itself counted.
    std::pair<std::size_t, EchoSendOutcome> send(std::span<const OutgoingEcho> requests) const;

    // The next queued datagram (without the IP header), or nothing when the queue is empty.
    std::optional<EchoDatagram> receive(std::span<std::uint8_t> buffer) const;

    // Asks the kernel to stamp what this socket receives.
    void turn_stamps_on() const;

    // Waits until one of `events` is ready or `limit` has passed; returns the ready events.
    short wait(short events, std::chrono::nanoseconds limit) const;

private:
    StampedEchoSocket(FileDescriptor fd, bool raw);

    void configure() const;
    void enlarge_buffer(int forcing, int plain) const;
    bool set_option(int level, int name, int value) const;
    std::optional<EchoDatagram> datagram(msghdr& message, const sockaddr_in& source,
                                         std::span<const std::uint8_t> bytes,
                                         StampTime reading) const;

    FileDescriptor fd_;
    bool raw_;
};

} // namespace zelvoro::platform
