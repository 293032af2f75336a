// The requests of one echo sweep: which were sent when, and which replies answer them.
#pragma once

#include "platform/echo.h"
#include "platform/icmp_packet.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zelvoro::platform {

// A point in time on the clock the kernel stamps received packets with, since its epoch.
using StampTime = std::chrono::nanoseconds;

// When the kernel received a reply. Exact where the kernel stamped it as it arrived; otherwise
// (it arrived while the system was still switching receive stamps on) `at` is the moment it was
// read, the latest it can have arrived.
struct ReceiveTime {
    StampTime at;
    bool exact = true;
};

// Replies are stamped when they reach the network stack and queued on the socket within the same
// softirq run, microseconds later: at most this much later.
constexpr std::chrono::nanoseconds stamp_to_queue_time = std::chrono::microseconds(100);

// Request i carries sequence number first_sequence + i (modulo 2^16), so duplicate addresses
// each get their own request; a table holds at most 65536 requests. A reply answers request i
// when it comes from the address of request i, carries its sequence number (and its
// identifier, where the kernel does not assign one per socket), and was received no later than
// `timeout` after that request's send time. A reply stamped before the send time (which is
// taken after the send call returns) counts. The first reply that answers a request gives its
// round trip: its receive stamp minus the send time, zero for one stamped before the send time.
//
// A reply without an exact time that was read after its deadline is in doubt until a datagram
// stamped on arrival is read from the same socket after it (queued_behind): the socket's queue
// keeps the order of arrival, so the reply was queued first, no later than that stamp and
// stamp_to_queue_time. It is in time when that is no later than its deadline; a reply still in
// doubt when the verdicts are taken counts as not answered (undecided tells how many).
class EchoRequestTable {
public:
    EchoRequestTable(std::span<const Ipv4Address> addresses, std::uint16_t first_sequence,
                     std::optional<std::uint16_t> identifier, std::chrono::nanoseconds timeout)
        : first_sequence_(first_sequence), identifier_(identifier), timeout_(timeout) {
        requests_.reserve(addresses.size());
        for (const Ipv4Address& address : addresses) {
            requests_.push_back(Request{address, std::nullopt, std::nullopt, false});
        }
    }

    std::size_t size() const { return requests_.size(); }
    const Ipv4Address& address(std::size_t index) const { return requests_[index].address; }

    icmp::EchoHeader header(std::size_t index) const {
        return {identifier_.value_or(0), static_cast<std::uint16_t>(first_sequence_ + index)};
    }

    // A request that was never marked sent stays unanswered.
    void mark_sent(std::size_t index, StampTime at) { requests_[index].sent = at; }

    void record_reply(const Ipv4Address& source, const icmp::EchoHeader& reply,
                      ReceiveTime received) {
        if (identifier_ && reply.identifier != *identifier_) {
            return;
        }
        const std::size_t index = static_cast<std::uint16_t>(reply.sequence - first_sequence_);
        if (index >= requests_.size()) {
            return;
        }
        Request& request = requests_[index];
        if (request.answered || !request.sent || request.address != source) {
            return;
        }
        if (received.at <= *request.sent + timeout_) {
            request.answered = received.at;
            in_doubt_ -= request.in_doubt ? 1 : 0;
            request.in_doubt = false;
        } else if (!received.exact && !request.in_doubt) {
            request.in_doubt = true;
            ++in_doubt_;
        }
    }

    // A datagram stamped on arrival at `stamp` was read after every reply recorded so far.
    void queued_behind(StampTime stamp) {
        if (in_doubt_ == 0) {
            return;
        }
        const StampTime queued_by = stamp + stamp_to_queue_time;
        for (Request& request : requests_) {
            if (request.in_doubt && queued_by <= *request.sent + timeout_) {
                request.answered = queued_by;
                request.in_doubt = false;
                --in_doubt_;
            }
        }
    }

    // The latest deadline among the requests sent and not answered yet; nothing when none is
    // left to wait for.
    std::optional<StampTime> last_open_deadline() const {
        std::optional<StampTime> last;
        for (const Request& request : requests_) {
            if (request.sent && !request.answered) {
                last = std::max(last.value_or(*request.sent), *request.sent + timeout_);
            }
        }
        return last;
    }

    std::vector<std::uint32_t> statuses() const {
        std::vector<std::uint32_t> result;
        result.reserve(requests_.size());
        for (const Request& request : requests_) {
            result.push_back(request.answered ? echo_answered : echo_timed_out);
        }
        return result;
    }

    // One per request; zero for a request that was not answered. For a reply shown in time by
    // a later stamp, the most it can have taken.
    std::vector<std::chrono::nanoseconds> round_trips() const {
        std::vector<std::chrono::nanoseconds> result;
        result.reserve(requests_.size());
        for (const Request& request : requests_) {
            const std::chrono::nanoseconds taken =
                request.answered ? *request.answered - *request.sent : std::chrono::nanoseconds{0};
            result.push_back(std::max(taken, std::chrono::nanoseconds{0}));
        }
        return result;
    }

    // The requests whose reply is still in doubt, counted as not answered.
    std::size_t undecided() const { return in_doubt_; }

private:
    struct Request {
        Ipv4Address address;
        std::optional<StampTime> sent;
        std::optional<StampTime> answered; // when the reply that answered was received, at most
        bool in_doubt;                     // a reply without a stamp was read past the deadline
    };

    std::uint16_t first_sequence_;
    std::optional<std::uint16_t> identifier_;
    std::chrono::nanoseconds timeout_;
    std::vector<Request> requests_;
    std::size_t in_doubt_ = 0;
};

} // namespace zelvoro::platform
