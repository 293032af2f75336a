// ICMP echo on Windows through icmp.dll, over one handle per sweep. The first request is sent
// and waited for on its own; it tells whether this process may send ICMP at all. The others are
// all sent at once, each with its own event, and the service times each one out by itself.
#include "platform/echo.h"
#include "platform/icmp_packet.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>
// clang-format on

#include <array>
#include <cstring>
#include <deque>

namespace zelvoro::platform {

namespace {

// Room for the reply record, the echoed data, an ICMP error's extra bytes and the status block
// of an asynchronous request; 270 bytes is what the one-request-at-a-time design passed.
constexpr DWORD reply_buffer_size = 270;
static_assert(reply_buffer_size >= sizeof(ICMP_ECHO_REPLY) + icmp::echo_data_size + 8 + 16);
// How much longer than its timeout a request may take to be completed by the service.
constexpr DWORD completion_grace_ms = 5000;

using ReplyBuffer = std::array<unsigned char, reply_buffer_size>;

class IcmpHandle {
public:
    IcmpHandle() : handle_(IcmpCreateFile()) {}
    IcmpHandle(const IcmpHandle&) = delete;
    IcmpHandle& operator=(const IcmpHandle&) = delete;
    ~IcmpHandle() {
        if (is_open()) {
            IcmpCloseHandle(handle_);
        }
    }

    bool is_open() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

class Event {
public:
    Event() : handle_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    ~Event() {
        if (handle_ != nullptr) {
            CloseHandle(handle_);
        }
    }

    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// What became of one request: its status, and for an answer the reply's round trip.
struct EchoOutcome {
    std::uint32_t status = echo_timed_out;
    std::chrono::milliseconds round_trip{0};
};

IPAddr to_ipaddr(const Ipv4Address& address) {
    IPAddr result = 0; // network byte order: the first octet first in memory
    std::memcpy(&result, address.octets.data(), sizeof result);
    return result;
}

// The status of the first reply, and its RoundTripTime (milliseconds) when it answered. A reply
// from another address than the one asked (a broadcast answered by some host) does not count:
// the address itself did not answer.
EchoOutcome reply_outcome(const ReplyBuffer& buffer, IPAddr asked) {
    ICMP_ECHO_REPLY reply{};
    std::memcpy(&reply, buffer.data(), sizeof reply);
    if (reply.Status != IP_SUCCESS) {
        return {reply.Status};
    }
    if (reply.Address != asked) {
        return {echo_timed_out};
    }
    return {echo_answered, std::chrono::milliseconds(reply.RoundTripTime)};
}

// No reply: the error the service reports. An error of 0 still means nobody answered (Wine's
// asynchronous form reports no reply and error 0 for a request it could not send at all).
std::uint32_t failure_status() {
    const DWORD error = GetLastError();
    return error == 0 ? echo_timed_out : error;
}

EchoOutcome outcome(DWORD replies, const ReplyBuffer& buffer, IPAddr asked) {
    return replies > 0 ? reply_outcome(buffer, asked) : EchoOutcome{failure_status()};
}

// The request data is the same 11 bytes for every request.
struct RequestData {
    RequestData() { std::memcpy(bytes.data(), icmp::echo_data.data(), bytes.size()); }
    std::array<unsigned char, icmp::echo_data_size> bytes{};
    WORD size() const { return static_cast<WORD>(bytes.size()); }
};

EchoOutcome echo_and_wait(const IcmpHandle& handle, const Ipv4Address& address, DWORD timeout) {
    RequestData data;
    ReplyBuffer reply{};
    const IPAddr target = to_ipaddr(address);
    const DWORD replies = IcmpSendEcho(handle.get(), target, data.bytes.data(), data.size(),
                                       nullptr, reply.data(), reply_buffer_size, timeout);
    return outcome(replies, reply, target);
}

// One request sent without waiting; the service signals `done` when it is answered or timed
// out, and writes into `reply` until then, so a request must stay in place meanwhile.
class PendingEcho {
public:
    PendingEcho(const IcmpHandle& handle, const Ipv4Address& address, DWORD timeout)
        : target_(to_ipaddr(address)) {
        RequestData data;
        const DWORD replies =
            IcmpSendEcho2(handle.get(), done_.get(), nullptr, nullptr, target_, data.bytes.data(),
                          data.size(), nullptr, reply_.data(), reply_buffer_size, timeout);
        pending_ = replies == 0 && GetLastError() == ERROR_IO_PENDING;
        if (!pending_) {
            outcome_ = outcome(replies, reply_, target_);
        }
    }

    EchoOutcome finish(DWORD timeout) {
        if (pending_ &&
            WaitForSingleObject(done_.get(), timeout + completion_grace_ms) == WAIT_OBJECT_0) {
            pending_ = false;
            outcome_ = outcome(IcmpParseReplies(reply_.data(), reply_buffer_size), reply_, target_);
        }
        return outcome_;
    }

private:
    Event done_;
    ReplyBuffer reply_{};
    IPAddr target_;
    bool pending_ = false;
    EchoOutcome outcome_;
};

void append(EchoSweepResult& result, const EchoOutcome& outcome) {
    result.status.push_back(outcome.status);
    result.round_trip.push_back(outcome.round_trip);
}

class IcmpEchoService final : public EchoService {
public:
    EchoSweepResult echo_all(std::span<const Ipv4Address> addresses,
                             std::chrono::milliseconds timeout) override {
        // Declared before the handle, so that closing the handle ends any request still
        // outstanding before its buffer goes away.
        std::deque<PendingEcho> pending;
        const IcmpHandle handle;
        if (!handle.is_open()) {
            return echo_not_permitted(addresses.size());
        }
        if (addresses.empty()) {
            return {};
        }
        const auto wait = static_cast<DWORD>(timeout.count());
        const EchoOutcome first = echo_and_wait(handle, addresses.front(), wait);
        // Refused with "access denied": this process may not send ICMP at all (Wine without
        // the right to open a ping or raw socket).
        if (first.status == ERROR_ACCESS_DENIED) {
            return echo_not_permitted(addresses.size());
        }
        EchoSweepResult result;
        append(result, first);
        for (const Ipv4Address& address : addresses.subspan(1)) {
            pending.emplace_back(handle, address, wait);
        }
        for (PendingEcho& request : pending) {
            append(result, request.finish(wait));
        }
        return result;
    }
};

} // namespace

std::unique_ptr<EchoService> make_system_echo_service() {
    return std::make_unique<IcmpEchoService>();
}

} // namespace zelvoro::platform
