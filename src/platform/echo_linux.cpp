// ICMP echo on Linux: every request of a sweep is sent at once over one fresh socket, and each
// reply is judged by the time the kernel received it, so that neither the order of the replies
// nor a process that was descheduled for a while changes a verdict. A process that may open
// neither a ping socket nor a raw one sweeps through the echo helper (echo_helper_linux.h).
#include "platform/echo.h"
#include "platform/echo_helper_linux.h"
#include "platform/echo_requests.h"
#include "platform/echo_socket_linux.h"
#include "platform/linux/file_descriptor_linux.h"
#include "platform/icmp_packet.h"
#include "platform/platform_error.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <utility>

namespace zelvoro::platform {

namespace {

using std::chrono::nanoseconds;

// Sequence numbers are 16 bits: a sweep longer than this is carried out in parts.
constexpr std::size_t max_requests_per_socket = 32768;
// Room for every reply of a /24 that answers completely, even if none were read until the end.
constexpr int socket_buffer_bytes = 1 << 20;
// Replies are stamped when they reach the network stack and queued on the socket within the
// same softirq run, microseconds later; waiting this long past the last deadline lets every
// reply stamped in time arrive before the verdicts are taken.
constexpr nanoseconds queue_settle_time = std::chrono::microseconds(100);
// While sending, the socket is read after every few requests: often enough that the replies
// of a /24 where every host answers never fill the receive buffer, seldom enough that the
// reads do not slow the sending down.
constexpr std::size_t requests_between_reads = 8;
// How long a send may wait for room in the socket's send buffer.
constexpr nanoseconds send_room_wait = std::chrono::seconds(3);

StampTime stamp_clock_now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now); // the clock SO_TIMESTAMPNS stamps with
    return std::chrono::seconds(now.tv_sec) + nanoseconds(now.tv_nsec);
}

timespec to_timespec(nanoseconds duration) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    return timespec{static_cast<time_t>(seconds.count()),
                    static_cast<long>((duration - seconds).count())};
}

struct Datagram {
    Ipv4Address source;
    StampTime received;
    std::span<const std::uint8_t> bytes;
};

enum class SendOutcome { sent, no_room, failed };

// A non-blocking ICMP socket that stamps what it receives: a ping socket where the caller's
// group may open one, a raw socket otherwise.
class EchoSocket {
public:
    static std::optional<EchoSocket> open() {
        const int flags = SOCK_NONBLOCK | SOCK_CLOEXEC;
        FileDescriptor ping(::socket(AF_INET, SOCK_DGRAM | flags, IPPROTO_ICMP));
        if (ping.is_open()) {
            return EchoSocket(std::move(ping), false);
        }
        FileDescriptor raw(::socket(AF_INET, SOCK_RAW | flags, IPPROTO_ICMP));
        if (raw.is_open()) {
            return EchoSocket(std::move(raw), true);
        }
        return std::nullopt;
    }

    // The kernel replaces the identifier of a ping socket's requests with its own and hands the
    // socket only the replies carrying it; a raw socket sees every reply and must check it.
    bool kernel_assigns_identifier() const { return !raw_; }

    // Does not set SO_BROADCAST: a request to a broadcast address fails with EACCES, and the
    // address is silent, as it would be if only replies from the address itself counted.
    SendOutcome send(const Ipv4Address& to, std::span<const std::uint8_t> packet) const {
        sockaddr_in target{};
        target.sin_family = AF_INET;
        std::memcpy(&target.sin_addr, to.octets.data(), to.octets.size());
        for (;;) {
            const auto sent = ::sendto(fd_.get(), packet.data(), packet.size(), 0,
                                       reinterpret_cast<const sockaddr*>(&target), sizeof target);
            if (sent >= 0) {
                return SendOutcome::sent;
            }
            if (errno != EINTR) {
                return errno == EAGAIN || errno == EWOULDBLOCK ? SendOutcome::no_room
                                                               : SendOutcome::failed;
            }
        }
    }

    // The next queued datagram (without the IP header), or nothing when the queue is empty.
    std::optional<Datagram> receive(std::span<std::uint8_t> buffer) const {
        sockaddr_in source{};
        iovec data{buffer.data(), buffer.size()};
        alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(timespec))> control{};
        msghdr message{};
        message.msg_name = &source;
        message.msg_namelen = sizeof source;
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control.data();
        message.msg_controllen = control.size();
        ssize_t size = -1;
        do {
            size = ::recvmsg(fd_.get(), &message, 0);
        } while (size < 0 && errno == EINTR);
        if (size < 0) {
            return std::nullopt;
        }
        return datagram(message, source, buffer.first(static_cast<std::size_t>(size)));
    }

    // Waits until one of `events` is ready or `limit` has passed; returns the ready events.
    short wait(short events, nanoseconds limit) const {
        pollfd entry{fd_.get(), events, 0};
        const timespec timeout = to_timespec(std::max(limit, nanoseconds(0)));
        if (::ppoll(&entry, 1, &timeout, nullptr) <= 0) {
            return 0;
        }
        return entry.revents;
    }

private:
    EchoSocket(FileDescriptor fd, bool raw) : fd_(std::move(fd)), raw_(raw) { configure(); }

    void configure() const {
        set_option(SOL_SOCKET, SO_TIMESTAMPNS, 1);
        enlarge_buffer(SO_RCVBUFFORCE, SO_RCVBUF);
        enlarge_buffer(SO_SNDBUFFORCE, SO_SNDBUF);
        if (raw_) {
            icmp_filter only_replies{~(1u << ICMP_ECHOREPLY)};
            ::setsockopt(fd_.get(), SOL_RAW, ICMP_FILTER, &only_replies, sizeof only_replies);
        }
    }

    // The forcing option passes the system limit but needs CAP_NET_ADMIN; the plain one is
    // capped at the limit.
    void enlarge_buffer(int forcing, int plain) const {
        if (!set_option(SOL_SOCKET, forcing, socket_buffer_bytes)) {
            set_option(SOL_SOCKET, plain, socket_buffer_bytes);
        }
    }

    bool set_option(int level, int name, int value) const {
        return ::setsockopt(fd_.get(), level, name, &value, sizeof value) == 0;
    }

    std::optional<Datagram> datagram(msghdr& message, const sockaddr_in& source,
                                     std::span<const std::uint8_t> bytes) const {
        Datagram result{{}, receive_stamp(message), bytes};
        std::memcpy(result.source.octets.data(), &source.sin_addr, result.source.octets.size());
        if (raw_) {
            const auto payload = icmp::ipv4_payload(bytes);
            result.bytes = payload.value_or(std::span<const std::uint8_t>{});
        }
        return result;
    }

    // The kernel's receive time; the present moment when the stamp is missing, which is later
    // than the true receive time and so never counts a late reply as answered.
    static StampTime receive_stamp(msghdr& message) {
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
             header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_TIMESTAMPNS) {
                timespec stamp{};
                std::memcpy(&stamp, CMSG_DATA(header), sizeof stamp);
                return std::chrono::seconds(stamp.tv_sec) + nanoseconds(stamp.tv_nsec);
            }
        }
        return stamp_clock_now();
    }

    FileDescriptor fd_;
    bool raw_;
};

// One sweep over one socket: send every request while reading whatever has come back, then
// read until every request is answered or past its deadline.
class EchoSweep {
public:
    EchoSweep(const EchoSocket& socket, std::span<const Ipv4Address> addresses, nanoseconds timeout)
        : socket_(socket), requests_(addresses, random_u16(), identifier_for(socket), timeout) {}

    std::vector<std::uint32_t> run() {
        for (std::size_t index = 0; index < requests_.size(); ++index) {
            if (index % requests_between_reads == 0) {
                drain();
            }
            send(index);
        }
        await_replies();
        return requests_.statuses();
    }

    // After run: one per request, the receive stamp of its reply minus its send time.
    std::vector<nanoseconds> round_trips() const { return requests_.round_trips(); }

private:
    // From the kernel's generator; the clock where that is unavailable. Either way a new sweep
    // does not take up the numbers of the one before.
    static std::uint16_t random_u16() {
        std::uint16_t value = 0;
        if (::getrandom(&value, sizeof value, GRND_NONBLOCK) != sizeof value) {
            value = static_cast<std::uint16_t>(stamp_clock_now().count() / 1000);
        }
        return value;
    }

    static std::optional<std::uint16_t> identifier_for(const EchoSocket& socket) {
        if (socket.kernel_assigns_identifier()) {
            return std::nullopt;
        }
        return random_u16();
    }

    // A request that cannot be sent (EACCES for a broadcast address, ENETUNREACH, EPERM from a
    // firewall...) is never marked sent, and its address stays silent.
    void send(std::size_t index) {
        const auto packet = icmp::encode_echo_request(requests_.header(index));
        std::optional<StampTime> give_up;
        for (;;) {
            const SendOutcome outcome = socket_.send(requests_.address(index), packet);
            if (outcome == SendOutcome::sent) {
                requests_.mark_sent(index, stamp_clock_now());
                return;
            }
            const StampTime now = stamp_clock_now();
            give_up = give_up.value_or(now + send_room_wait);
            if (outcome == SendOutcome::failed || now >= *give_up) {
                return;
            }
            wait_for_room(*give_up - now);
        }
    }

    void wait_for_room(nanoseconds limit) {
        const short ready = socket_.wait(POLLIN | POLLOUT, limit);
        if (ready & POLLIN) {
            drain();
        }
    }

    void drain() {
        while (const auto datagram = socket_.receive(buffer_)) {
            if (const auto reply = icmp::decode_echo_reply(datagram->bytes)) {
                requests_.record_reply(datagram->source, *reply, datagram->received);
            }
        }
    }

    // The moment is taken before draining: whatever the kernel received by then has been read
    // when the deadlines are compared with it.
    void await_replies() {
        for (;;) {
            const StampTime now = stamp_clock_now();
            drain();
            const auto deadline = requests_.last_open_deadline();
            if (!deadline || now >= *deadline + queue_settle_time) {
                return;
            }
            socket_.wait(POLLIN, *deadline + queue_settle_time - now);
        }
    }

    const EchoSocket& socket_;
    EchoRequestTable requests_;
    std::array<std::uint8_t, 512> buffer_{};
};

// One sweep over one socket: a status and a round trip per address.
EchoSweepResult sweep_on(const EchoSocket& socket, std::span<const Ipv4Address> addresses,
                         std::chrono::milliseconds timeout) {
    EchoSweep sweep(socket, addresses, timeout);
    auto statuses = sweep.run();
    return EchoSweepResult{true, std::move(statuses), sweep.round_trips()};
}

class LinuxEchoService final : public EchoService {
public:
    EchoSweepResult echo_all(std::span<const Ipv4Address> addresses,
                             std::chrono::milliseconds timeout) override {
        // Neither a ping socket for this user's group nor a raw socket (this process holds no
        // CAP_NET_RAW, as the desktop program never does): the echo helper sends the requests.
        if (!EchoSocket::open()) {
            return echo_through_helper(addresses, timeout);
        }
        EchoSweepResult result;
        result.status.reserve(addresses.size());
        while (!addresses.empty()) {
            const auto part = addresses.first(std::min(addresses.size(), max_requests_per_socket));
            const auto socket = EchoSocket::open();
            if (!socket) {
                return echo_not_permitted(result.status.size() + addresses.size());
            }
            const auto swept = sweep_on(*socket, part, timeout);
            result.status.insert(result.status.end(), swept.status.begin(), swept.status.end());
            result.round_trip.insert(result.round_trip.end(), swept.round_trip.begin(),
                                     swept.round_trip.end());
            addresses = addresses.subspan(part.size());
        }
        return result;
    }
};

// Every sweep over the one socket it was given.
class HeldSocketEchoService final : public EchoService {
public:
    explicit HeldSocketEchoService(EchoSocket socket) : socket_(std::move(socket)) {}

    EchoSweepResult echo_all(std::span<const Ipv4Address> addresses,
                             std::chrono::milliseconds timeout) override {
        if (addresses.size() > max_requests_per_socket) {
            throw PlatformError("more echo requests than one socket's sequence numbers");
        }
        return sweep_on(socket_, addresses, timeout);
    }

private:
    EchoSocket socket_;
};

} // namespace

std::unique_ptr<EchoService> make_system_echo_service() {
    return std::make_unique<LinuxEchoService>();
}

std::unique_ptr<EchoService> open_echo_socket() {
    auto socket = EchoSocket::open();
    if (!socket) {
        return nullptr;
    }
    return std::make_unique<HeldSocketEchoService>(std::move(*socket));
}

} // namespace zelvoro::platform
