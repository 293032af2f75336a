#include "platform/linux/stamped_echo_socket_linux.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace zelvoro::platform {

namespace {

using std::chrono::nanoseconds;

// Room for every reply of a /24 that answers completely, even if none were read until the end.
constexpr int socket_buffer_bytes = 1 << 20;

timespec to_timespec(nanoseconds duration) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    return timespec{static_cast<time_t>(seconds.count()),
                    static_cast<long>((duration - seconds).count())};
}

// The kernel's receive time where it stamped the datagram on arrival, before `reading`, when
// the read began. A stamp no earlier than that was taken as the datagram was read (it arrived
// before the kernel stamped anything), and a missing one (stamps not asked for yet) stands for
// the present moment: both later than the true receive time, never earlier.
ReceiveTime receive_time(msghdr& message, StampTime reading) {
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_TIMESTAMPNS) {
            timespec stamp{};
            std::memcpy(&stamp, CMSG_DATA(header), sizeof stamp);
            const StampTime at = std::chrono::seconds(stamp.tv_sec) + nanoseconds(stamp.tv_nsec);
            return ReceiveTime{at, at < reading};
        }
    }
    return ReceiveTime{stamp_clock_now(), false};
}

} // namespace

StampTime stamp_clock_now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now); // the clock SO_TIMESTAMPNS stamps with
    return std::chrono::seconds(now.tv_sec) + nanoseconds(now.tv_nsec);
}

std::optional<StampedEchoSocket> StampedEchoSocket::open() {
    const int flags = SOCK_NONBLOCK | SOCK_CLOEXEC;
    FileDescriptor ping(::socket(AF_INET, SOCK_DGRAM | flags, IPPROTO_ICMP));
    if (ping.is_open()) {
        return StampedEchoSocket(std::move(ping), false);
    }
    FileDescriptor raw(::socket(AF_INET, SOCK_RAW | flags, IPPROTO_ICMP));
    if (raw.is_open()) {
        return StampedEchoSocket(std::move(raw), true);
    }
    return std::nullopt;
}

std::pair<std::size_t, EchoSendOutcome>
StampedEchoSocket::send(std::span<const OutgoingEcho> requests) const {
    std::array<sockaddr_in, echo_requests_per_send> targets{};
    std::array<iovec, echo_requests_per_send> data{};
    std::array<mmsghdr, echo_requests_per_send> messages{};
    const std::size_t count = std::min(requests.size(), echo_requests_per_send);
    for (std::size_t index = 0; index < count; ++index) {
        targets[index].sin_family = AF_INET;
        std::memcpy(&targets[index].sin_addr, requests[index].to.octets.data(),
                    requests[index].to.octets.size());
        // sendmmsg only reads the packet.
        data[index] = iovec{const_cast<std::uint8_t*>(requests[index].packet.data()),
                            requests[index].packet.size()};
        messages[index].msg_hdr.msg_name = &targets[index];
        messages[index].msg_hdr.msg_namelen = sizeof targets[index];
        messages[index].msg_hdr.msg_iov = &data[index];
        messages[index].msg_hdr.msg_iovlen = 1;
    }
    for (;;) {
        const int sent = ::sendmmsg(fd_.get(), messages.data(), static_cast<unsigned>(count), 0);
        if (sent > 0) {
            return {static_cast<std::size_t>(sent), EchoSendOutcome::sent};
        }
        if (sent == 0 || errno != EINTR) {
            return {0, sent == 0 || errno == EAGAIN || errno == EWOULDBLOCK
                           ? EchoSendOutcome::no_room
                           : EchoSendOutcome::failed};
        }
    }
}

std::optional<EchoDatagram> StampedEchoSocket::receive(std::span<std::uint8_t> buffer) const {
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
    StampTime reading{};
    do {
        reading = stamp_clock_now();
        size = ::recvmsg(fd_.get(), &message, 0);
    } while (size < 0 && errno == EINTR);
    if (size < 0) {
        return std::nullopt;
    }
    return datagram(message, source, buffer.first(static_cast<std::size_t>(size)), reading);
}

void StampedEchoSocket::turn_stamps_on() const {
    set_option(SOL_SOCKET, SO_TIMESTAMPNS, 1);
}

short StampedEchoSocket::wait(short events, nanoseconds limit) const {
    pollfd entry{fd_.get(), events, 0};
    const timespec timeout = to_timespec(std::max(limit, nanoseconds(0)));
    if (::ppoll(&entry, 1, &timeout, nullptr) <= 0) {
        return 0;
    }
    return entry.revents;
}

StampedEchoSocket::StampedEchoSocket(FileDescriptor fd, bool raw) : fd_(std::move(fd)), raw_(raw) {
    configure();
}

void StampedEchoSocket::configure() const {
    enlarge_buffer(SO_RCVBUFFORCE, SO_RCVBUF);
    enlarge_buffer(SO_SNDBUFFORCE, SO_SNDBUF);
    if (raw_) {
        icmp_filter only_replies{~(1u << ICMP_ECHOREPLY)};
        ::setsockopt(fd_.get(), SOL_RAW, ICMP_FILTER, &only_replies, sizeof only_replies);
    }
}

// The forcing option passes the system limit but needs CAP_NET_ADMIN; the plain one is capped at
// the limit.
void StampedEchoSocket::enlarge_buffer(int forcing, int plain) const {
    if (!set_option(SOL_SOCKET, forcing, socket_buffer_bytes)) {
        set_option(SOL_SOCKET, plain, socket_buffer_bytes);
    }
}

bool StampedEchoSocket::set_option(int level, int name, int value) const {
    return ::setsockopt(fd_.get(), level, name, &value, sizeof value) == 0;
}

std::optional<EchoDatagram> StampedEchoSocket::datagram(msghdr& message, const sockaddr_in& source,
                                                        std::span<const std::uint8_t> bytes,
                                                        StampTime reading) const {
    EchoDatagram result{{}, receive_time(message, reading), bytes};
    std::memcpy(result.source.octets.data(), &source.sin_addr, result.source.octets.size());
    if (raw_) {
        const auto payload = icmp::ipv4_payload(bytes);
        result.bytes = payload.value_or(std::span<const std::uint8_t>{});
    }
    return result;
}

} // namespace zelvoro::platform
