#include "platform/linux/arp_prober_linux.h"

#include "platform/arp_packet.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <sys/socket.h>

namespace zelvoro::platform {

namespace {

using Clock = std::chrono::steady_clock;

// Room for a reply from every host of a /24 even if none were read until the last request went
// out (the kernel doubles it, capped by net.core.rmem_max).
constexpr int receive_buffer_bytes = 1 << 20;
// How long a request waits for room in the socket's send buffer before it is left for the next
// round.
constexpr int send_room_wait_ms = 5;

sockaddr_ll link_address(int interface_index) {
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_protocol = htons(ETH_P_ARP);
    address.sll_ifindex = interface_index;
    return address;
}

void send_request(int socket, const ArpProbePlan& plan, const Ipv4Address& target) {
    const auto packet = arp::encode_request(plan.own_mac, plan.own_address, target);
    sockaddr_ll broadcast = link_address(plan.interface_index);
    broadcast.sll_halen = ETH_ALEN;
    std::fill_n(broadcast.sll_addr, ETH_ALEN, 0xff);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const ssize_t sent =
            ::sendto(socket, packet.data(), packet.size(), 0,
                     reinterpret_cast<const sockaddr*>(&broadcast), sizeof broadcast);
        if (sent >= 0 || (errno != EAGAIN && errno != ENOBUFS && errno != EINTR)) {
            return;
        }
        pollfd room{socket, POLLOUT, 0};
        ::poll(&room, 1, send_room_wait_ms);
    }
}

class Probe {
public:
    Probe(int socket, const ArpProbePlan& plan, const std::function<void(const Neighbour&)>& proven)
        : socket_(socket), plan_(plan), proven_(proven),
          waiting_(plan.targets.begin(), plan.targets.end()) {}

    void send_round() {
        for (const Ipv4Address& target : plan_.targets) {
            if (waiting_.contains(target)) {
                send_request(socket_, plan_, target);
            }
        }
    }

    // Reads every reply queued on the socket.
    void read_replies() {
        std::array<std::uint8_t, 256> buffer{};
        for (;;) {
            sockaddr_ll from{};
            socklen_t from_size = sizeof from;
            const ssize_t size = ::recvfrom(socket_, buffer.data(), buffer.size(), 0,
                                            reinterpret_cast<sockaddr*>(&from), &from_size);
            if (size < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return; // drained (EAGAIN), or nothing more to read
            }
            if (from.sll_ifindex != plan_.interface_index || from.sll_pkttype == PACKET_OUTGOING) {
                continue;
            }
            const auto proof = arp::decode_reply(
                std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(size)));
            if (proof && waiting_.erase(proof->address) > 0) {
                proven_(*proof);
            }
        }
    }

    bool all_answered() const { return waiting_.empty(); }

private:
    int socket_;
    const ArpProbePlan& plan_;
    const std::function<void(const Neighbour&)>& proven_;
    std::set<Ipv4Address> waiting_;
};

// Waits for a reply until `until`; false when `stop` became readable.
bool wait_for_replies(int socket, int stop, Clock::time_point until) {
    std::array<pollfd, 2> watched{pollfd{socket, POLLIN, 0}, pollfd{stop, POLLIN, 0}};
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
    const int ready = ::poll(watched.data(), watched.size(),
                             static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
    return !(ready > 0 && (watched[1].revents & POLLIN) != 0);
}

} // namespace

FileDescriptor open_packet_socket() {
    FileDescriptor socket(::socket(AF_PACKET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket.is_open()) {
        return socket;
    }
    const int bytes = receive_buffer_bytes;
    // A process that may also administer the network gets the whole buffer asked for.
    if (::setsockopt(socket.get(), SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0) {
        ::setsockopt(socket.get(), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    }
    return socket;
}

bool bind_arp_socket(int socket, int interface_index) {
    const sockaddr_ll address = link_address(interface_index);
    return ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

FileDescriptor open_arp_socket(int interface_index) {
    FileDescriptor socket = open_packet_socket();
    if (socket.is_open() && !bind_arp_socket(socket.get(), interface_index)) {
        return FileDescriptor();
    }
    return socket;
}

std::optional<ArpProbePlan> arp_probe_plan(const netlink::RangeLink& link,
                                           std::span<const Ipv4Address> range,
                                           std::chrono::milliseconds window) {
    if (!link.own_mac || !link.own_address) {
        return std::nullopt;
    }
    ArpProbePlan plan;
    plan.interface_index = link.interface_index;
    plan.own_mac = *link.own_mac;
    plan.own_address = *link.own_address;
    for (const Ipv4Address& address : range) {
        if (address != plan.own_address) {
            plan.targets.push_back(address);
        }
    }
    plan.window = window;
    return plan;
}

void probe_with_arp(int socket, const ArpProbePlan& plan, int stop,
                    const std::function<void(const Neighbour&)>& proven) {
    Probe probe(socket, plan, proven);
    const auto began = Clock::now();
    const auto second_round = began + plan.second_round;
    const auto end = began + plan.window;
    probe.send_round();
    bool second_sent = plan.second_round >= plan.window;
    for (;;) {
        probe.read_replies();
        const auto now = Clock::now();
        if (probe.all_answered() || now >= end) {
            return;
        }
        if (!second_sent && now >= second_round) {
            probe.send_round();
            second_sent = true;
            continue;
        }
        if (!wait_for_replies(socket, stop, second_sent ? end : second_round)) {
            return;
        }
    }
}

} // namespace zelvoro::platform
