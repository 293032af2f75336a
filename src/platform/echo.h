// ICMP echo: one request per address, each given its own timeout, one status per address.
#pragma once

#include "platform/ipv4_address.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace zelvoro::platform {

constexpr std::uint32_t echo_answered = 0;
constexpr std::uint32_t echo_timed_out = 11010; // the platform's "request timed out" status

struct EchoSweepResult {
    // False when no echo socket or handle could be opened at all: nothing was sent.
    bool permitted = true;
    // One status per address, in the order given: echo_answered or another value.
    std::vector<std::uint32_t> status;
    // One round-trip time per address, in the order given, where the service measures it (zero
    // for an address that did not answer); empty where it does not.
    std::vector<std::chrono::nanoseconds> round_trip;
};

// The result of a sweep for which no echo socket or handle could be opened: nothing was sent.
inline EchoSweepResult echo_not_permitted(std::size_t count) {
    return EchoSweepResult{false, std::vector<std::uint32_t>(count, echo_timed_out), {}};
}

// A sweep too long to hold at once (a whole /16): the service asks for the addresses one at a
// time, in index order, and hands each status back once it is final, also in index order.
class EchoStream {
public:
    virtual ~EchoStream() = default;
    virtual std::size_t size() const = 0;
    virtual Ipv4Address address(std::size_t index) const = 0;
    // Once per address: echo_answered or another value, as in EchoSweepResult::status, and its
    // round trip where the service measures it (zero otherwise).
    virtual void take_status(std::size_t index, std::uint32_t status,
                             std::chrono::nanoseconds round_trip) = 0;
};

struct EchoStreamReport {
    // False when no echo socket or handle could be opened at all: nothing was sent.
    bool permitted = true;
    // Where the service measures them (zero where it does not): from the call to the first
    // request handed to the system, from there to the last one, and from there to the last
    // status.
    std::chrono::nanoseconds setting_up{};
    std::chrono::nanoseconds sending{};
    std::chrono::nanoseconds waiting{};
    // Where the service can tell: the addresses counted silent only because their reply could
    // not be shown to have arrived in time (it was read late, and the system had not stamped it
    // on arrival).
    std::size_t undecided = 0;
};

class EchoService {
public:
    virtual ~EchoService() = default;
    // Sends exactly one echo request to every address (no retries) and waits for each at most
    // `timeout` counted from its own send time.
    virtual EchoSweepResult echo_all(std::span<const Ipv4Address> addresses,
                                     std::chrono::milliseconds timeout) = 0;
    // The same for the addresses of `stream`. This one hands them to echo_all a few thousand at
    // a time; a service that keeps several of those parts in flight at once overrides it.
    virtual EchoStreamReport echo_stream(EchoStream& stream, std::chrono::milliseconds timeout);
};

// The operating system's echo service (Linux: a ping socket, a raw socket where the process
// holds CAP_NET_RAW, or else the echo helper; Windows: icmp.dll).
std::unique_ptr<EchoService> make_system_echo_service();

} // namespace zelvoro::platform
