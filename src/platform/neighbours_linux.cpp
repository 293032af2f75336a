// The neighbour table on Linux: one rtnetlink dump of the IPv4 entries per reading, over a socket
// of its own.
#include "platform/neighbour_dump.h"
#include "platform/neighbours.h"

#include <cerrno>
#include <linux/netlink.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace zelvoro::platform {

namespace {

// The kernel sizes a dump's datagrams after the reader's buffer, up to 32 KiB.
constexpr std::size_t datagram_room = 32 * 1024;
// One request per socket: its sequence number only has to be the one the answers carry.
constexpr std::uint32_t request_sequence = 1;
// USER_HZ on every architecture Linux runs on, should sysconf not know it.
constexpr long usual_ticks_per_second = 100;

std::chrono::microseconds clock_tick() {
    const long per_second = ::sysconf(_SC_CLK_TCK);
    return std::chrono::microseconds(std::chrono::seconds(1)) /
           (per_second > 0 ? per_second : usual_ticks_per_second);
}

class NetlinkSocket {
public:
    NetlinkSocket() : fd_(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)) {}
    NetlinkSocket(const NetlinkSocket&) = delete;
    NetlinkSocket& operator=(const NetlinkSocket&) = delete;
    ~NetlinkSocket() {
        if (is_open()) {
            ::close(fd_);
        }
    }

    bool is_open() const { return fd_ >= 0; }

    bool send_to_kernel(std::span<const std::uint8_t> message) const {
        sockaddr_nl kernel{};
        kernel.nl_family = AF_NETLINK;
        ssize_t sent = -1;
        do {
            sent = ::sendto(fd_, message.data(), message.size(), 0,
                            reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel);
        } while (sent < 0 && errno == EINTR);
        return sent == static_cast<ssize_t>(message.size());
    }

    // The next datagram; nothing when reading fails or the datagram did not fit.
    std::optional<std::span<const std::uint8_t>> receive(std::span<std::uint8_t> buffer) const {
        ssize_t size = -1;
        do {
            size = ::recv(fd_, buffer.data(), buffer.size(), MSG_TRUNC);
        } while (size < 0 && errno == EINTR);
        if (size < 0 || static_cast<std::size_t>(size) > buffer.size()) {
            return std::nullopt;
        }
        return buffer.first(static_cast<std::size_t>(size));
    }

private:
    int fd_;
};

std::optional<std::vector<NeighbourSighting>> read_sightings() {
    const NetlinkSocket socket;
    if (!socket.is_open() ||
        !socket.send_to_kernel(netlink::neighbour_dump_request(request_sequence))) {
        return std::nullopt;
    }
    const auto tick = clock_tick();
    std::vector<std::uint8_t> buffer(datagram_room);
    std::vector<NeighbourSighting> sightings;
    for (;;) {
        const auto datagram = socket.receive(buffer);
        if (!datagram) {
            return std::nullopt;
        }
        switch (netlink::read_neighbour_dump(*datagram, request_sequence, tick, sightings)) {
        case netlink::DumpProgress::done:
            return sightings;
        case netlink::DumpProgress::failed:
            return std::nullopt;
        case netlink::DumpProgress::more:
            break;
        }
    }
}

class LinuxNeighbourTable final : public NeighbourTable {
public:
    std::vector<Neighbour> confirmed(std::span<const Ipv4Address> addresses,
                                     std::chrono::milliseconds within) override {
        if (addresses.empty()) {
            return {};
        }
        const auto sightings = read_sightings();
        if (!sightings) {
            return {};
        }
        return sightings_within(addresses, *sightings, within);
    }
};

} // namespace

std::unique_ptr<NeighbourTable> make_system_neighbour_table() {
    return std::make_unique<LinuxNeighbourTable>();
}

} // namespace zelvoro::platform
