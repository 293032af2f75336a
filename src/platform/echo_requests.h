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

// Request i carries sequence number first_sequence + i (modulo 2^16), so duplicate addresses
// each get their own request; a table holds at most 65536 requests. A reply answers request i
// when it comes from the address of request i, carries its sequence number (and its
// identifier, where the kernel does not assign one per socket), and was received no later than
// `timeout` after that request's send time. A reply stamped before the send time (which is
// taken after the send call returns) counts. The first reply that answers a request gives its
// round trip: its receive stamp minus the send time, zero for one stamped before the send time.
class EchoRequestTable {
public:
    EchoRequestTable(std::span<const Ipv4Address> addresses, std::uint16_t first_sequence,
                     std::optional<std::uint16_t> identifier, std::chrono::nanoseconds timeout)
        : first_sequence_(first_sequence), identifier_(identifier), timeout_(timeout) {
        requests_.reserve(addresses.size());
        for (const Ipv4Address& address : addresses) {
            requests_.push_back(Request{address, std::nullopt, std::nullopt});
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
                      StampTime received) {
        if (identifier_ && reply.identifier != *identifier_) {
            return;
        }
        const std::size_t index = static_cast<std::uint16_t>(reply.sequence - first_sequence_);
        if (index >= requests_.size()) {
            return;
        }
        Request& request = requests_[index];
        if (!request.answered && request.sent && request.address == source &&
            received <= *request.sent + timeout_) {
            request.answered = received;
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

    // One per request; zero for a request that was not answered.
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

private:
    struct Request {
        Ipv4Address address;
        std::optional<StampTime> sent;
        std::optional<StampTime> answered; // the receive stamp of the reply that answered
    };

    std::uint16_t first_sequence_;
    std::optional<std::uint16_t> identifier_;
    std::chrono::nanoseconds timeout_;
    std::vector<Request> requests_;
};

} // namespace zelvoro::platform
