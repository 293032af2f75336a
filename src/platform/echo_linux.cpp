// ICMP echo on Linux: every request of a sweep is sent at once over one fresh socket, and each
// reply is judged by the time the kernel received it, so that neither the order of the replies
// nor a process that was descheduled for a while changes a verdict. A process that may open
// neither a ping socket nor a raw one sweeps through the echo helper (echo_helper_linux.h).
//
// Receive stamps: while no socket of the machine asks for them, the kernel stamps nothing, and
// the first socket to ask makes it switch stamping on by patching its own code, which takes more
// than a millisecond here. The command line's sweeps do not wait for that: the stamps are asked
// for from a second thread while the first one sends (the window's sweeps turn them on first). A
// reply that arrived before the switch carries the moment it was read instead, which is told apart
// by being no earlier than the read began: read in time, it was in time; read late, it is judged by
// the stamp of a datagram queued behind it (see EchoRequestTable).
#include "platform/echo.h"
#include "platform/echo_helper_linux.h"
#include "platform/echo_requests.h"
#include "platform/echo_socket_linux.h"
#include "platform/icmp_packet.h"
#include "platform/linux/file_descriptor_linux.h"
#include "platform/linux/neighbour_limits_linux.h"
#include "platform/linux/stamped_echo_socket_linux.h"
#include "platform/neighbour_pacing.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/random.h>
#include <thread>
#include <utility>

namespace zelvoro::platform {

namespace {

using std::chrono::nanoseconds;

// The requests of a sweep are kept in blocks of this many (see EchoSweep).
constexpr std::size_t block_size = 1024;
// At most this many requests are open at once: half the 16-bit sequence space, so that a reply
// to a request long settled is never taken for one to an open request.
constexpr std::size_t max_open_requests = 32768;
// Waiting this long past the last deadline lets every reply stamped in time be queued on the
// socket before the verdicts are taken.
constexpr nanoseconds queue_settle_time = stamp_to_queue_time;
// How long a send may wait for room in the socket's send buffer.
constexpr nanoseconds send_room_wait = std::chrono::seconds(3);
// While the system switches receive stamps on, a request to this machine itself every so often,
// for this long at most, queues a reply behind whatever arrived before them (see MarkedStamps).
constexpr nanoseconds marker_interval = std::chrono::microseconds(250);
constexpr nanoseconds marking_time = std::chrono::milliseconds(20);
const Ipv4Address loopback{{127, 0, 0, 1}};
// The echo helper serves a sweep of at most one /24 at a time: a larger one, as many runs of the
// helper one after the other, would make neighbour entries faster than any pacing allows.
constexpr std::size_t most_addresses_through_helper = 256;

// Pacing for the requests that make neighbour entries; none where the sweep is too short to
// fill the share of the table it may take even if every address is on the link.
struct Pacing {
    OnLinkRoutes routes;
    NeighbourPacing budget;
};

std::optional<Pacing> pacing_for(std::size_t requests) {
    const std::size_t limit = neighbour_table_limit();
    if (requests <= NeighbourPacing::capacity_for(limit)) {
        return std::nullopt;
    }
    return Pacing{OnLinkRoutes(), NeighbourPacing(limit, nanoseconds(0))};
}

// Wakes the thread on time while it exists: by default a sleeping thread may be woken up to
// 50 µs late (its timer slack), which the wait for a sweep's last deadline would add in full.
class PreciseWakeUps {
public:
    PreciseWakeUps() : previous_(::prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0)) {
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    }
    PreciseWakeUps(const PreciseWakeUps&) = delete;
    PreciseWakeUps& operator=(const PreciseWakeUps&) = delete;
    ~PreciseWakeUps() {
        if (previous_ > 0) {
            ::prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(previous_), 0, 0, 0);
        }
    }

private:
    int previous_;
};

// One sweep over one socket: send every request while reading whatever has come back, then
// read until every request is answered or past its deadline. The requests are kept in blocks,
// each with its own table, and a block's statuses are handed on, and the block let go, once
// every one of them is final: however long the sweep, only the blocks sent within the last
// timeout or so are held.
class EchoSweep {
public:
    EchoSweep(const StampedEchoSocket& socket, EchoStream& stream, nanoseconds timeout,
              std::optional<Pacing> pacing)
        : socket_(socket), stream_(stream), timeout_(timeout), pacing_(std::move(pacing)),
          first_sequence_(random_u16()), identifier_(identifier_for(socket)) {}

    // A request no request of the sweep shares its sequence number with, for a sweep of at most
    // a /16: its requests take first_sequence_ + 0 .. 65533.
    icmp::EchoHeader marker() const {
        return {identifier_.value_or(0), static_cast<std::uint16_t>(first_sequence_ - 1)};
    }

    // Set once a datagram stamped on arrival has been read: every datagram that arrived before
    // the stamps were on has been read by then.
    const std::atomic<bool>& stamped() const { return stamped_; }

    // `began`: when the caller started, for the report.
    EchoStreamReport run(StampTime began) {
        EchoStreamReport report;
        StampTime first_sent = began;
        while (sent_up_to_ < stream_.size()) {
            if (blocks_.empty() ||
                sent_up_to_ == blocks_.back().first + blocks_.back().requests.size()) {
                open_block(sent_up_to_);
            }
            if (sent_up_to_ > 0) {
                drain();
            }
            // A request that waited for room in the neighbour table goes out on its own.
            const bool paced = pace(sent_up_to_);
            if (sent_up_to_ == 0) {
                first_sent = stamp_clock_now();
            }
            send_batch(paced ? 1 : unpaced_run(echo_requests_per_send));
        }
        const StampTime last_sent = stamp_clock_now();
        await_replies();
        report.setting_up = first_sent - began;
        report.sending = last_sent - first_sent;
        report.waiting = stamp_clock_now() - last_sent;
        report.undecided = undecided_;
        return report;
    }

private:
    struct Block {
        std::size_t first; // the index in the stream of its first request
        EchoRequestTable requests;
    };

    // From the kernel's generator; the clock where that is unavailable. Either way a new sweep
    // does not take up the numbers of the one before.
    static std::uint16_t random_u16() {
        std::uint16_t value = 0;
        if (::getrandom(&value, sizeof value, GRND_NONBLOCK) != sizeof value) {
            value = static_cast<std::uint16_t>(stamp_clock_now().count() / 1000);
        }
        return value;
    }

    static std::optional<std::uint16_t> identifier_for(const StampedEchoSocket& socket) {
        if (socket.kernel_assigns_identifier()) {
            return std::nullopt;
        }
        return random_u16();
    }

    // Request `index` carries sequence number first_sequence_ + index (modulo 2^16): with at
    // most max_open_requests of them open, a reply names one request of the open blocks.
    void open_block(std::size_t first) {
        if (!blocks_.empty()) {
            settle(stamp_clock_now());
        }
        while (!blocks_.empty() && first + block_size - blocks_.front().first > max_open_requests) {
            await_oldest_block();
        }
        addresses_.clear();
        for (std::size_t index = first; index < std::min(first + block_size, stream_.size());
             ++index) {
            addresses_.push_back(stream_.address(index));
        }
        const auto sequence = static_cast<std::uint16_t>(first_sequence_ + first);
        blocks_.push_back(
            Block{first, EchoRequestTable(addresses_, sequence, identifier_, timeout_)});
    }

    // Requests to addresses on the link wait for room in the neighbour table's share. True when
    // the request is such a one.
    bool pace(std::size_t index) {
        if (!pacing_) {
            return false;
        }
        const Block& block = blocks_.back();
        const auto holding_time =
            pacing_->routes.holding_time(block.requests.address(index - block.first));
        if (!holding_time) {
            return false;
        }
        pacing_->budget.hold_at_least(*holding_time);
        await(pacing_->budget.next_allowed(stamp_clock_now()));
        pacing_->budget.sent(stamp_clock_now());
        return true;
    }

    // How many of the next requests, up to `most`, may go out without asking the pacing again:
    // all of them without pacing, else those in the /24 of the next one, which shares its route.
    std::size_t unpaced_run(std::size_t most) const {
        if (!pacing_) {
            return most;
        }
        const Block& block = blocks_.back();
        const std::size_t first = sent_up_to_ - block.first;
        const auto same_24 = [](const Ipv4Address& a, const Ipv4Address& b) {
            return std::equal(a.octets.begin(), a.octets.begin() + 3, b.octets.begin());
        };
        std::size_t count = 1;
        while (count < most && first + count < block.requests.size() &&
               same_24(block.requests.address(first), block.requests.address(first + count))) {
            ++count;
        }
        return count;
    }

    // Sends up to `count` requests from the next one on, all of the current block; each is
    // marked sent at the moment the kernel has taken its batch. A request that cannot be sent
    // (EACCES for a broadcast address, ENETUNREACH, EPERM from a firewall...) is never marked
    // sent, and its address stays silent.
    void send_batch(std::size_t count) {
        Block& block = blocks_.back();
        const std::size_t first = sent_up_to_ - block.first;
        count = std::min(count, block.requests.size() - first);
        for (std::size_t index = 0; index < count; ++index) {
            batch_[index] =
                OutgoingEcho{block.requests.address(first + index),
                             icmp::encode_echo_request(block.requests.header(first + index))};
        }
        std::size_t done = 0;
        std::optional<StampTime> give_up;
        while (done < count) {
            const auto [taken, outcome] =
                socket_.send(std::span(batch_).subspan(done, count - done));
            const StampTime now = stamp_clock_now();
            for (std::size_t index = done; index < done + taken; ++index) {
                block.requests.mark_sent(first + index, now);
            }
            done += taken;
            if (outcome == EchoSendOutcome::failed) {
                ++done; // the first one not taken cannot be sent
            } else if (outcome == EchoSendOutcome::no_room) {
                give_up = give_up.value_or(now + send_room_wait);
                if (now >= *give_up) {
                    break;
                }
                wait_for_room(*give_up - now);
            }
        }
        sent_up_to_ += count;
    }

    void wait_for_room(nanoseconds limit) {
        const short ready = socket_.wait(POLLIN | POLLOUT, limit);
        if (ready & POLLIN) {
            drain();
        }
    }

    void drain() {
        while (const auto datagram = socket_.receive(buffer_)) {
            if (datagram->received.exact) {
                stamped_.store(true, std::memory_order_relaxed);
                for (Block& block : blocks_) {
                    block.requests.queued_behind(datagram->received.at);
                }
            }
            if (const auto reply = icmp::decode_echo_reply(datagram->bytes)) {
                for (Block& block : blocks_) {
                    block.requests.record_reply(datagram->source, *reply, datagram->received);
                }
            }
        }
    }

    // When every request of the block is final: nothing when that is now. A block is not final
    // while some of its requests are still to be sent.
    std::optional<StampTime> final_at(const Block& block) const {
        if (block.first + block.requests.size() > sent_up_to_) {
            return StampTime::max();
        }
        const auto deadline = block.requests.last_open_deadline();
        if (!deadline) {
            return std::nullopt;
        }
        return *deadline + queue_settle_time;
    }

    // Reads what has come and hands on the statuses of the blocks, oldest first, that are final
    // at `now`. The moment is taken before draining: whatever the kernel received by then has
    // been read when the deadlines are compared with it.
    void settle(StampTime now) {
        drain();
        while (!blocks_.empty()) {
            const auto final = final_at(blocks_.front());
            if (final && now < *final) {
                return;
            }
            const Block& block = blocks_.front();
            const auto statuses = block.requests.statuses();
            const auto round_trips = block.requests.round_trips();
            undecided_ += block.requests.undecided();
            for (std::size_t index = 0; index < statuses.size(); ++index) {
                stream_.take_status(block.first + index, statuses[index], round_trips[index]);
            }
            blocks_.pop_front();
        }
    }

    // Reads and settles until `moment`.
    void await(StampTime moment) {
        for (;;) {
            const StampTime now = stamp_clock_now();
            settle(now);
            if (now >= moment) {
                return;
            }
            socket_.wait(POLLIN, moment - now);
        }
    }

    // Reads and settles until the oldest block has been handed on. Its last deadline is asked
    // anew after every wake-up: an answer to the request that had it brings the end forward.
    void await_oldest_block() {
        const std::size_t oldest = blocks_.front().first;
        for (;;) {
            const StampTime now = stamp_clock_now();
            settle(now);
            if (blocks_.empty() || blocks_.front().first != oldest) {
                return;
            }
            socket_.wait(POLLIN, *final_at(blocks_.front()) - now);
        }
    }

    void await_replies() {
        const PreciseWakeUps on_time;
        while (!blocks_.empty()) {
            await_oldest_block();
        }
    }

    const StampedEchoSocket& socket_;
    EchoStream& stream_;
    nanoseconds timeout_;
    std::optional<Pacing> pacing_;
    std::uint16_t first_sequence_;
    std::optional<std::uint16_t> identifier_;
    std::deque<Block> blocks_;
    std::size_t sent_up_to_ = 0;         // the requests before this index have been sent
    std::vector<Ipv4Address> addresses_; // the addresses of the block being opened
    std::array<OutgoingEcho, echo_requests_per_send> batch_{};
    std::array<std::uint8_t, 512> buffer_{};
    std::size_t undecided_ = 0;
    std::atomic<bool> stamped_{false};
};

// The statuses and round trips of a list of addresses, in its order.
class ListStream final : public EchoStream {
public:
    ListStream(std::span<const Ipv4Address> addresses, EchoSweepResult& result)
        : addresses_(addresses), result_(result) {
        result_.status.assign(addresses.size(), echo_timed_out);
        result_.round_trip.assign(addresses.size(), nanoseconds(0));
    }

    std::size_t size() const override { return addresses_.size(); }
    Ipv4Address address(std::size_t index) const override { return addresses_[index]; }
    void take_status(std::size_t index, std::uint32_t status, nanoseconds round_trip) override {
        result_.status[index] = status;
        result_.round_trip[index] = round_trip;
    }

private:
    std::span<const Ipv4Address> addresses_;
    EchoSweepResult& result_;
};

// Asks for the socket's stamps from a thread of its own, then sends a request to this machine
// itself every marker_interval: its reply, queued behind the replies that arrived before the
// stamps were on and stamped itself once they are, tells that those arrived before it. Ends
// when it goes, once a stamped datagram has been read (`stamped`), after marking_time, or at the
// first request that cannot be sent (no loopback).
class MarkedStamps {
public:
    MarkedStamps(const StampedEchoSocket& socket, icmp::EchoHeader marker,
                 const std::atomic<bool>& stamped)
        : thread_([this, &socket, marker, &stamped](std::stop_token stop) {
              mark(socket, marker, stamped, stop);
          }) {}

private:
    void mark(const StampedEchoSocket& socket, icmp::EchoHeader marker,
              const std::atomic<bool>& stamped, std::stop_token stop) {
        socket.turn_stamps_on();
        const std::array<OutgoingEcho, 1> request{
            OutgoingEcho{loopback, icmp::encode_echo_request(marker)}};
        const auto until = std::chrono::steady_clock::now() + marking_time;
        std::unique_lock lock(mutex_);
        while (!stamped.load(std::memory_order_relaxed) &&
               std::chrono::steady_clock::now() < until &&
               socket.send(request).second == EchoSendOutcome::sent) {
            if (stopped_.wait_for(lock, stop, marker_interval,
                                  [&stop] { return stop.stop_requested(); })) {
                return;
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable_any stopped_;
    std::jthread thread_; // last: it ends before what it uses
};

// A sweep over a socket just opened whose stamps are switched on beside it (MarkedStamps).
// `began`: when the caller started, for the report.
EchoStreamReport sweep_while_stamps_turn_on(const StampedEchoSocket& socket, EchoStream& stream,
                                            std::chrono::milliseconds timeout, StampTime began) {
    EchoSweep sweep(socket, stream, timeout, pacing_for(stream.size()));
    const MarkedStamps stamps(socket, sweep.marker(), sweep.stamped());
    return sweep.run(began);
}

// A sweep whose replies are all stamped on arrival: the stamps are on before the first request.
EchoSweepResult sweep_stamped(const StampedEchoSocket& socket,
                              std::span<const Ipv4Address> addresses,
                              std::chrono::milliseconds timeout) {
    socket.turn_stamps_on();
    EchoSweepResult result;
    ListStream stream(addresses, result);
    EchoSweep(socket, stream, timeout, pacing_for(addresses.size())).run(stamp_clock_now());
    return result;
}

class LinuxEchoService final : public EchoService {
public:
    // Nothing to send needs no socket, and so no permission either. Neither a ping socket for
    // this user's group nor a raw socket (this process holds no CAP_NET_RAW, as the desktop
    // program never does): the echo helper sends the requests.
    EchoSweepResult echo_all(std::span<const Ipv4Address> addresses,
                             std::chrono::milliseconds timeout) override {
        if (addresses.empty()) {
            return EchoSweepResult{};
        }
        const auto socket = StampedEchoSocket::open();
        if (!socket) {
            return echo_through_helper(addresses, timeout);
        }
        return sweep_stamped(*socket, addresses, timeout);
    }

    // Through the helper, as echo_all, a sweep of at most one /24; a larger one is not
    // permitted without a socket of this process's own. The requests do not wait for the
    // stamps, which takes longer than sending a /24 where no other socket has them on: a few
    // replies may be undecided then (see the report).
    EchoStreamReport echo_stream(EchoStream& stream, std::chrono::milliseconds timeout) override {
        if (stream.size() == 0) {
            return EchoStreamReport{};
        }
        const StampTime began = stamp_clock_now();
        const auto socket = StampedEchoSocket::open();
        if (!socket) {
            return stream.size() <= most_addresses_through_helper
                       ? EchoService::echo_stream(stream, timeout)
                       : EchoStreamReport{false, {}, {}, {}};
        }
        return sweep_while_stamps_turn_on(*socket, stream, timeout, began);
    }
};

// Every sweep over the one socket it was given, whose stamps it asks for at once: the kernel
// switches them on while the program waits for its first sweep.
class HeldSocketEchoService final : public EchoService {
public:
    explicit HeldSocketEchoService(StampedEchoSocket socket) : socket_(std::move(socket)) {
        socket_.turn_stamps_on();
    }

    EchoSweepResult echo_all(std::span<const Ipv4Address> addresses,
                             std::chrono::milliseconds timeout) override {
        return sweep_stamped(socket_, addresses, timeout);
    }

private:
    StampedEchoSocket socket_;
};

} // namespace

std::unique_ptr<EchoService> make_system_echo_service() {
    return std::make_unique<LinuxEchoService>();
}

std::unique_ptr<EchoService> open_echo_socket() {
    auto socket = StampedEchoSocket::open();
    if (!socket) {
        return nullptr;
    }
    return std::make_unique<HeldSocketEchoService>(std::move(*socket));
}

} // namespace zelvoro::platform
