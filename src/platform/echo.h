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

class EchoService {
public:
    virtual ~EchoService() = default;
    // Sends exactly one echo request to every address (no retries) and waits for each at most
    // `timeout` counted from its own send time.
    virtual EchoSweepResult echo_all(std::span<const Ipv4Address> addresses,
                                     std::chrono::milliseconds timeout) = 0;
};

// The operating system's echo service (Linux: a ping socket, a raw socket where the process
// holds CAP_NET_RAW, or else the echo helper; Windows: icmp.dll).
std::unique_ptr<EchoService> make_system_echo_service();

} // namespace zelvoro::platform
