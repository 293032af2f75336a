// Presence on Linux. Where the process may open a packet socket (CAP_NET_RAW) and the range is on
// the subnet of one of this machine's links, it sends ARP requests of its own right after the
// echo requests, and each reply proves its device. Otherwise it reads the kernel's neighbour table:
// the entries of the range that are REACHABLE when the sweep ends, then every notification that
// makes one REACHABLE, for as long as the kernel takes to probe again an entry it already held
// (the sweep's echo requests are sent to such an entry without asking first).
#include "platform/linux/arp_prober_linux.h"
#include "platform/linux/errno_text_linux.h"
#include "platform/linux/file_descriptor_linux.h"
#include "platform/linux/neighbour_dump.h"
#include "platform/linux/neighbour_settings_linux.h"
#include "platform/linux/range_link_linux.h"
#include "platform/neighbours.h"
#include "platform/platform_error.h"
#include "platform/proof_channel.h"

#include <array>
#include <cerrno>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <set>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace zelvoro::platform {

namespace {

using Clock = std::chrono::steady_clock;
using AddressSet = std::set<Ipv4Address>;

constexpr std::chrono::milliseconds own_requests_window{500};
// Room for the notifications a /24 causes while nothing reads them (the sweep runs meanwhile).
constexpr int notification_buffer_bytes = 1 << 20;
constexpr std::size_t notification_datagram_bytes = 64 * 1024;

// Wakes a watch's thread to end it: a descriptor that becomes readable.
class StopSignal {
public:
    StopSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (!fd_.is_open()) {
            throw PlatformError("eventfd: " + errno_text(errno));
        }
    }
    int fd() const { return fd_.get(); }
    void raise() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd_.get(), &one, sizeof one);
    }

private:
    FileDescriptor fd_;
};

// For a range the kernel reaches through a router: its table holds nothing of the range.
class NothingToWatch final : public PresenceWatch {
public:
    explicit NothingToWatch(PresenceSink sink) : sink_(std::move(sink)) {}
    std::vector<Neighbour> sweep_ended(std::span<const Ipv4Address>) override {
        sink_.ended();
        return {};
    }

private:
    PresenceSink sink_;
};

// The requests go out once the sweep's own are done: sent beside them, the replies and the
// floods of broadcasts they cause take the processor from the sweep, whose verdicts must not
// depend on this watch.
class ArpWatch final : public PresenceWatch {
public:
    ArpWatch(FileDescriptor socket, ArpProbePlan plan, PresenceSink sink)
        : socket_(std::move(socket)), plan_(std::move(plan)), channel_(std::move(sink)) {}
    ArpWatch(const ArpWatch&) = delete;
    ArpWatch& operator=(const ArpWatch&) = delete;
    ~ArpWatch() override {
        stop_.raise();
        if (thread_.joinable()) {
            thread_.join();
        }
        channel_.close();
    }

    std::vector<Neighbour> sweep_ended(std::span<const Ipv4Address>) override {
        std::vector<Neighbour> proven = channel_.open();
        thread_ = std::thread([this] {
            probe_with_arp(socket_.get(), plan_, stop_.fd(),
                           [this](const Neighbour& proof) { channel_.prove(proof); });
            channel_.end();
        });
        return proven;
    }

private:
    FileDescriptor socket_;
    ArpProbePlan plan_;
    StopSignal stop_;
    ProofChannel channel_;
    std::thread thread_;
};

// A NETLINK_ROUTE socket that gets the notifications of RTNLGRP_NEIGH (no privilege needed).
FileDescriptor open_notifications() {
    FileDescriptor socket(
        ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE));
    sockaddr_nl groups{};
    groups.nl_family = AF_NETLINK;
    groups.nl_groups = RTMGRP_NEIGH;
    if (!socket.is_open() ||
        ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&groups), sizeof groups) != 0) {
        throw PlatformError("rtnetlink cannot join the neighbour notifications: " +
                            errno_text(errno));
    }
    const int bytes = notification_buffer_bytes;
    ::setsockopt(socket.get(), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    return socket;
}

std::vector<Neighbour> reachable_in(std::span<const netlink::Reply> messages,
                                    const AddressSet& range) {
    std::vector<Neighbour> found;
    for (const netlink::Reply& message : messages) {
        const auto neighbour = netlink::reachable_neighbour(message);
        if (neighbour && range.contains(neighbour->address)) {
            found.push_back(*neighbour);
        }
    }
    return found;
}

// The entries of the range that are REACHABLE now; nothing when the table cannot be read.
std::vector<Neighbour> reachable_entries(const AddressSet& range, Diagnostics& diagnostics) {
    try {
        netlink::RouteSocket socket;
        return reachable_in(socket.dump(netlink::neighbour_dump_request()), range);
    } catch (const PlatformError& error) {
        diagnostics.failure(std::string("the neighbour table cannot be read: ") + error.what());
        return {};
    }
}

class TableWatch final : public PresenceWatch {
public:
    TableWatch(FileDescriptor notifications, AddressSet range, std::chrono::milliseconds window,
               PresenceSink sink, Diagnostics& diagnostics)
        : notifications_(std::move(notifications)), range_(std::move(range)), window_(window),
          diagnostics_(diagnostics), channel_(std::move(sink)),
          buffer_(std::make_unique_for_overwrite<std::byte[]>(notification_datagram_bytes)) {}
    TableWatch(const TableWatch&) = delete;
    TableWatch& operator=(const TableWatch&) = delete;
    ~TableWatch() override {
        stop_.raise();
        if (thread_.joinable()) {
            thread_.join();
        }
        channel_.close();
    }

    std::vector<Neighbour> sweep_ended(std::span<const Ipv4Address>) override {
        std::vector<Neighbour> proven = reachable_entries(range_, diagnostics_);
        channel_.open();
        const auto end = Clock::now() + window_;
        thread_ = std::thread([this, end] {
            watch_until(end);
            channel_.end();
        });
        return proven;
    }

private:
    void watch_until(Clock::time_point end) {
        for (;;) {
            read_notifications();
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
            if (left.count() <= 0) {
                return;
            }
            std::array<pollfd, 2> watched{pollfd{notifications_.get(), POLLIN, 0},
                                          pollfd{stop_.fd(), POLLIN, 0}};
            const int ready =
                ::poll(watched.data(), watched.size(), static_cast<int>(left.count()));
            if (ready > 0 && (watched[1].revents & POLLIN) != 0) {
                return;
            }
        }
    }

    // Everything queued; notifications the kernel had to drop are made up for by the table.
    void read_notifications() {
        for (;;) {
            sockaddr_nl sender{};
            socklen_t sender_size = sizeof sender;
            const ssize_t size =
                ::recvfrom(notifications_.get(), buffer_.get(), notification_datagram_bytes, 0,
                           reinterpret_cast<sockaddr*>(&sender), &sender_size);
            if (size < 0 && errno == EINTR) {
                continue;
            }
            if (size < 0 && errno == ENOBUFS) {
                prove(reachable_entries(range_, diagnostics_));
                continue;
            }
            if (size <= 0) {
                return;
            }
            if (sender.nl_pid != 0) {
                // any local process may send to this socket; only the kernel's word counts
                continue;
            }
            try {
                prove(reachable_in(netlink::read_notifications(std::span<const std::byte>(
                                       buffer_.get(), static_cast<std::size_t>(size))),
                                   range_));
            } catch (const PlatformError& error) {
                // a damaged datagram proves nothing
                diagnostics_.failure(std::string("a neighbour notification cannot be read: ") +
                                     error.what());
            }
        }
    }

    void prove(const std::vector<Neighbour>& proofs) {
        for (const Neighbour& proof : proofs) {
            channel_.prove(proof);
        }
    }

    FileDescriptor notifications_;
    AddressSet range_;
    std::chrono::milliseconds window_;
    Diagnostics& diagnostics_;
    StopSignal stop_;
    ProofChannel channel_;
    std::unique_ptr<std::byte[]> buffer_;
    std::thread thread_;
};

std::unique_ptr<PresenceWatch> own_requests_watch(const netlink::RangeLink& link,
                                                  const AddressSet& range,
                                                  const LateWindows& windows, PresenceSink& sink) {
    if (!link.own_mac || !link.own_address) {
        return nullptr;
    }
    FileDescriptor socket = open_arp_socket(link.interface_index);
    if (!socket.is_open()) {
        return nullptr; // no CAP_NET_RAW
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
    plan.window = windows.own_requests.value_or(own_requests_window);
    return std::make_unique<ArpWatch>(std::move(socket), std::move(plan), std::move(sink));
}

class LinuxNeighbourService final : public NeighbourService {
public:
    explicit LinuxNeighbourService(Diagnostics& diagnostics) : diagnostics_(diagnostics) {}

    std::unique_ptr<PresenceWatch> watch(std::span<const Ipv4Address> range,
                                         const LateWindows& windows, PresenceSink sink) override {
        const PresenceSink unwatched = sink; // for a watch that cannot begin
        try {
            netlink::RouteSocket routes;
            const auto link = netlink::range_link(routes, range);
            if (!link) {
                return std::make_unique<NothingToWatch>(std::move(sink));
            }
            const AddressSet addresses(range.begin(), range.end());
            if (auto own = own_requests_watch(*link, addresses, windows, sink)) {
                return own;
            }
            const auto window =
                windows.system_table.value_or(netlink::late_window(netlink::read_probe_settings(
                    netlink::probe_settings_folder(link->interface_name))));
            return std::make_unique<TableWatch>(open_notifications(), addresses, window,
                                                std::move(sink), diagnostics_);
        } catch (const PlatformError& error) {
            diagnostics_.failure(std::string("the presence watch cannot begin: ") + error.what());
            return std::make_unique<NothingToWatch>(unwatched);
        }
    }

private:
    Diagnostics& diagnostics_;
};

} // namespace

std::unique_ptr<NeighbourService> make_system_neighbour_service(Diagnostics& diagnostics) {
    return std::make_unique<LinuxNeighbourService>(diagnostics);
}

} // namespace zelvoro::platform
