// The addresses of one sweep and their verdicts, shared by the main window and zelvoro-sweep.
#pragma once

#include "platform/echo.h"
#include "platform/ipv4_address.h"

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::sweep {

// One address of a sweep: its text as formed from the fields, and the address it converts to
// (empty when the text is not a dotted quad, or is 255.255.255.255: the target is skipped).
struct SweepTarget {
    std::string text;
    std::optional<platform::Ipv4Address> address;
};

// One target per counter value from start_octet to end_octet, both included, ascending; the
// text is `prefix` (e.g. "192.168.1.", exactly as the fields stand) followed by the counter in
// decimal. Empty when start_octet > end_octet.
std::vector<SweepTarget> plan_sweep(std::string_view prefix, int start_octet, int end_octet);

// The addresses of the targets that are not skipped, in target order.
std::vector<platform::Ipv4Address> target_addresses(std::span<const SweepTarget> targets);

// The verdict on one address of a sweep: the target's text and address, and for an answer the
// round-trip time, where the echo service measures it.
struct SweepVerdict {
    std::string text;
    platform::Ipv4Address address;
    std::optional<std::chrono::nanoseconds> round_trip;

    friend bool operator==(const SweepVerdict&, const SweepVerdict&) = default;
};

struct SweepOutcome {
    bool permitted = true; // false: no echo request could be sent at all, both lists are empty
    std::vector<SweepVerdict> answering;
    std::vector<SweepVerdict> silent;
};

constexpr std::chrono::milliseconds sweep_echo_timeout{5};

// Echoes every convertible target once, each waited for at most `timeout` from its own send
// time, and sorts the verdicts into the answering and silent lists in target order. Skipped
// targets go into neither list.
SweepOutcome run_sweep(platform::EchoService& echo, std::span<const SweepTarget> targets,
                       std::chrono::milliseconds timeout = sweep_echo_timeout);

} // namespace zelvoro::sweep
