// What a program and the echo helper (zelvoro-echo-helper, the one program that holds
// CAP_NET_RAW) say to each other over the helper's standard input and output.
//
// The request is one line: "START_ADDRESS END_OCTET TIMEOUT_MS\n", e.g. "192.0.2.1 254 5\n",
// the addresses from START_ADDRESS up to END_OCTET in the last octet, each waited for at most
// TIMEOUT_MS from its own send time. The answer is one line per address, in order:
// "A.B.C.D answered NANOSECONDS" (the round trip, where the engine measures it; without it
// otherwise) or "A.B.C.D silent".
//
// Started with the one argument "--arp", the helper serves an ARP presence request instead, and
// opens a packet socket rather than an ICMP one. The request is one line of the same form,
// "START_ADDRESS END_OCTET WINDOW_MS\n": ARP requests to the range on the link the kernel itself
// names for it (the caller names no interface), replies taken until WINDOW_MS after the first
// round. The answer streams one line per device as its reply arrives,
// "A.B.C.D xx:xx:xx:xx:xx:xx MICROSECONDS" (the time since the first round), then "end".
#pragma once

#include "platform/echo.h"
#include "platform/ipv4_address.h"
#include "platform/neighbours.h"

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
constexpr int exit_not_on_link = 4;   // an ARP request for a range on no link of this machine

// A request line is shorter than this, its newline included.
constexpr std::size_t max_request_bytes = 64;
constexpr std::chrono::milliseconds max_timeout{1000};

// The argument that makes a run serve an ARP presence request.
constexpr std::string_view arp_argument = "--arp";
constexpr std::chrono::milliseconds max_arp_window{600'000};
// A line of an ARP answer is shorter than this, its newline included.
constexpr std::size_t max_arp_line_bytes = 64;

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

// An ARP presence request's window: a plain decimal number of milliseconds, 0 to
// max_arp_window.
std::optional<std::chrono::milliseconds> parse_arp_window(std::string_view text);

// One device of an ARP answer, and the answer's last line.
std::string arp_proof_line(const Neighbour& proof, std::chrono::microseconds since_first_round);
constexpr std::string_view arp_end_line = "end\n";

// Reads an ARP answer for `range` as it arrives, in pieces of any size. A line counts only when
// it is whole and well formed, names an address of the range not named before, and comes before
// the end line; anything else (a line too long, a byte after the end line) makes the whole rest
// of the answer malformed, and the reader takes nothing more.
class ArpAnswerReader {
public:
    enum class State { reading, ended, malformed };

    explicit ArpAnswerReader(const Range& range) : range_(range) {}

    // The devices of the lines that `bytes` completes, in their order.
    std::vector<Neighbour> feed(std::string_view bytes);
    State state() const { return state_; }
    // Why the answer is malformed, in one line.
    const std::string& fault() const { return fault_; }

private:
    std::optional<Neighbour> take_line(std::string_view line);
    void refuse(std::string fault);

    Range range_;
    State state_ = State::reading;
    std::string partial_;
    std::vector<Ipv4Address> named_;
    std::string fault_;
};

} // namespace zelvoro::platform::echo_helper
