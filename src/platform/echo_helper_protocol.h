// What a program and the echo helper (zelvoro-echo-helper, the one program that holds
// CAP_NET_RAW) say to each other over the helper's standard input and output.
//
// The request is one line: "START_ADDRESS END_OCTET TIMEOUT_MS\n", e.g. "192.0.2.1 254 5\n",
// the addresses from START_ADDRESS up to END_OCTET in the last octet, each waited for at most
// TIMEOUT_MS from its own send time. The answer is one line per address, in order:
// "A.B.C.D answered NANOSECONDS" (the round trip, where the engine measures it; without it
// otherwise) or "A.B.C.D silent".
#pragma once

#include "platform/echo.h"
#include "platform/ipv4_address.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::platform::echo_helper {

// The helper's file relative to the folder of the program that runs it: build/bin and
// build/libexec/zelvoro in the build tree, /usr/bin and /usr/libexec/zelvoro once installed.
constexpr std::string_view relative_path = "../libexec/zelvoro/zelvoro-echo-helper";

constexpr int exit_done = 0;
constexpr int exit_refused = 2;       // a request or a start refused, with one line on stderr
constexpr int exit_not_permitted = 3; // no echo socket, or the capabilities would not go

// A request line is shorter than this, its newline included.
constexpr std::size_t max_request_bytes = 64;
constexpr std::chrono::milliseconds max_timeout{1000};

// Addresses start.octets[3] .. end_octet of the start address's /24, both included.
struct Range {
    Ipv4Address start;
    std::uint8_t end_octet = 0;

    std::size_t size() const { return std::size_t{end_octet} - start.octets[3] + 1u; }
    Ipv4Address address(std::size_t index) const;

    friend bool operator==(const Range&, const Range&) = default;
};

// The requests that echo `addresses` in their order: one per run of consecutive addresses
// within one /24 (a single address is a run too).
std::vector<Range> ranges_of(std::span<const Ipv4Address> addresses);

std::string request_line(const Range& range, std::chrono::milliseconds timeout);

// The words of a request line without its newline, split at every space ("a  b" has three).
std::vector<std::string_view> request_words(std::string_view line);

// A request's timeout: a plain decimal number of milliseconds, 1 to max_timeout.
std::optional<std::chrono::milliseconds> parse_timeout(std::string_view text);

// The answer to a request for `range`: one line per address of the range, its status and,
// where `result` carries round trips, the round trip of an answering one.
std::string answer_text(const Range& range, const EchoSweepResult& result);

// The answer read back: nothing unless it holds exactly one well-formed line per address of
// `range`, in order, with a round trip on every answering line or on none.
std::optional<EchoSweepResult> parse_answer(std::string_view text, const Range& range);

} // namespace zelvoro::platform::echo_helper
