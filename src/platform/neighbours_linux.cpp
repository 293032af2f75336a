// Presence on Linux. Where the range is on the subnet of one of this machine's links, ARP requests
// go out right after the echo requests, and each reply proves its device: the process's own where
// it may open a packet socket (CAP_NET_RAW), else through the echo helper, which holds that
// capability and streams each reply back. Otherwise, and where the helper is missing or fails,
// it reads the kernel's neighbour table: the entries of the range that are REACHABLE when the
// sweep ends, then every notification that makes one REACHABLE, for as long as the kernel takes
// to probe again an entry it already held (the sweep's echo requests are sent to such an entry
// without asking first).
#include "platform/echo_helper_linux.h"
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
#include <utility>

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

// A watch's thread, the signal that stops it and the channel it proves through. Declared last in
// a watch, it goes first: the thread is stopped and joined and the channel closed while
// everything the thread uses still exists.
class WatchThread {
public:
    explicit WatchThread(PresenceSink sink) : channel_(std::move(sink)) {}
    WatchThread(const WatchThread&) = delete;
    WatchThread& operator=(const WatchThread&) = delete;
    ~WatchThread() {
        stop_.raise();
        if (thread_.joinable()) {
            thread_.join();
        }
        channel_.close();
    }

    template <typename Work> void start(Work work) { thread_ = std::thread(std::move(work)); }
    ProofChannel& channel() { return channel_; }
    int stop() const { return stop_.fd(); }

private:
    StopSignal stop_;
    ProofChannel channel_;
    std::thread thread_;
};

// The requests go out once the sweep's own are done: sent beside them, the replies and the
// floods of broadcasts they cause take the processor from the sweep, whose verdicts must not
// depend on this watch.
class ArpWatch final : public PresenceWatch {
public:
    ArpWatch(FileDescriptor socket, ArpProbePlan plan, PresenceSink sink)
        : socket_(std::move(socket)), plan_(std::move(plan)), runner_(std::move(sink)) {}

    std::vector<Neighbour> sweep_ended(std::span<const Ipv4Address>) override {
        std::vector<Neighbour> proven = runner_.channel().open();
        runner_.start([this] {
            probe_with_arp(socket_.get(), plan_, runner_.stop(),
                           [this](const Neighbour& proof) { runner_.channel().prove(proof); });
            runner_.channel().end();
        });
        return proven;
    }

private:
    FileDescriptor socket_;
    ArpProbePlan plan_;
    WatchThread runner_;
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

// The kernel's table of the range: its notifications, subscribed before the sweep, and its
// REACHABLE entries.
class TableReader {
public:
    TableReader(FileDescriptor notifications, AddressSet range, Diagnostics& diagnostics)
        : notifications_(std::move(notifications)), range_(std::move(range)),
          diagnostics_(diagnostics),
          buffer_(std::make_unique_for_overwrite<std::byte[]>(notification_datagram_bytes)) {}

    std::vector<Neighbour> reachable_now() { return reachable_entries(range_, diagnostics_); }

    // Hands every entry of the range made REACHABLE to `channel` until `end`, or until `stop`
    // becomes readable.
    void watch_until(Clock::time_point end, int stop, ProofChannel& channel) {
        for (;;) {
            read_notifications(channel);
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
            if (left.count() <= 0) {
                return;
            }
            std::array<pollfd, 2> watched{pollfd{notifications_.get(), POLLIN, 0},
                                          pollfd{stop, POLLIN, 0}};
            const int ready =
                ::poll(watched.data(), watched.size(), static_cast<int>(left.count()));
            if (ready > 0 && (watched[1].revents & POLLIN) != 0) {
                return;
            }
        }
    }

private:
    // Everything queued; notifications the kernel had to drop are made up for by the table.
    void read_notifications(ProofChannel& channel) {
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
                prove(reachable_now(), channel);
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
                                   range_),
                      channel);
            } catch (const PlatformError& error) {
                // a damaged datagram proves nothing
                diagnostics_.failure(std::string("a neighbour notification cannot be read: ") +
                                     error.what());
            }
        }
    }

    static void prove(const std::vector<Neighbour>& proofs, ProofChannel& channel) {
        for (const Neighbour& proof : proofs) {
            channel.prove(proof);
        }
    }

    FileDescriptor notifications_;
    AddressSet range_;
    Diagnostics& diagnostics_;
    std::unique_ptr<std::byte[]> buffer_;
};

class TableWatch final : public PresenceWatch {
public:
    TableWatch(TableReader table, std::chrono::milliseconds window, PresenceSink sink)
        : table_(std::move(table)), window_(window), runner_(std::move(sink)) {}

    std::vector<Neighbour> sweep_ended(std::span<const Ipv4Address>) override {
        std::vector<Neighbour> proven = table_.reachable_now();
        runner_.channel().open();
        const auto end = Clock::now() + window_;
        runner_.start([this, end] {
            table_.watch_until(end, runner_.stop(), runner_.channel());
            runner_.channel().end();
        });
        return proven;
    }

private:
    TableReader table_;
    std::chrono::milliseconds window_;
    WatchThread runner_;
};

// ARP requests through the echo helper, with the kernel's table subscribed beside them before
// the sweep: where the helper fails, the table's REACHABLE entries and notifications take over
// until the table's window from the sweep's end has passed. A device proven both ways is marked
// once all the same (the first proof of an address marks it). Going, the watch kills the helper
// where it still runs.
class HelperArpWatch final : public PresenceWatch {
public:
    struct Request {
        std::filesystem::path helper;
        echo_helper::Range range;
        std::chrono::milliseconds window;
    };

    HelperArpWatch(Request request, TableReader table, std::chrono::milliseconds table_window,
                   PresenceSink sink, Diagnostics& diagnostics)
        : request_(std::move(request)), table_(std::move(table)), table_window_(table_window),
          diagnostics_(diagnostics), runner_(std::move(sink)) {}

    std::vector<Neighbour> sweep_ended(std::span<const Ipv4Address>) override {
        std::vector<Neighbour> proven = runner_.channel().open();
        const auto table_end = Clock::now() + table_window_;
        runner_.start([this, table_end] {
            if (!through_helper()) {
                for (const Neighbour& proof : table_.reachable_now()) {
                    runner_.channel().prove(proof);
                }
                table_.watch_until(table_end, runner_.stop(), runner_.channel());
            }
            runner_.channel().end();
        });
        return proven;
    }

private:
    // False when the table must take over.
    bool through_helper() {
        const auto through = arp_through_helper(
            request_.helper, request_.range, request_.window, echo_helper_margin, runner_.stop(),
            [this](const Neighbour& proof) { runner_.channel().prove(proof); });
        if (through.outcome != ArpThroughHelper::Outcome::failed) {
            return true;
        }
        diagnostics_.failure("the ARP requests through " + request_.helper.string() + " failed: " +
                             through.failure + "; the neighbour table is watched instead");
        return false;
    }

    Request request_;
    TableReader table_;
    std::chrono::milliseconds table_window_;
    Diagnostics& diagnostics_;
    WatchThread runner_;
};

std::unique_ptr<PresenceWatch> own_requests_watch(const netlink::RangeLink& link,
                                                  std::span<const Ipv4Address> range,
                                                  const LateWindows& windows, PresenceSink& sink) {
    auto plan = arp_probe_plan(link, range, windows.own_requests.value_or(own_requests_window));
    if (!plan) {
        return nullptr;
    }
    FileDescriptor socket = open_arp_socket(link.interface_index);
    if (!socket.is_open()) {
        return nullptr; // no CAP_NET_RAW
    }
    return std::make_unique<ArpWatch>(std::move(socket), std::move(*plan), std::move(sink));
}

// The request for the echo helper beside this program, where there is one to run and the range
// is one it takes: addresses that follow each other within one /24, on a link it can send on.
std::optional<HelperArpWatch::Request> helper_request(const netlink::RangeLink& link,
                                                      std::span<const Ipv4Address> range,
                                                      const LateWindows& windows) {
    const auto helper = echo_helper_beside_this_program();
    const auto ranges = echo_helper::ranges_of(range);
    if (!link.own_mac || !link.own_address || !helper || ranges.size() != 1 ||
        ::access(helper->c_str(), X_OK) != 0) {
        return std::nullopt;
    }
    return HelperArpWatch::Request{*helper, ranges.front(),
                                   windows.own_requests.value_or(own_requests_window)};
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
            if (auto own = own_requests_watch(*link, range, windows, sink)) {
                return own;
            }
            TableReader table(open_notifications(), AddressSet(range.begin(), range.end()),
                              diagnostics_);
            const auto table_window =
                windows.system_table.value_or(netlink::late_window(netlink::read_probe_settings(
                    netlink::probe_settings_folder(link->interface_name))));
            if (auto request = helper_request(*link, range, windows)) {
                return std::make_unique<HelperArpWatch>(std::move(*request), std::move(table),
                                                        table_window, std::move(sink),
                                                        diagnostics_);
            }
            return std::make_unique<TableWatch>(std::move(table), table_window, std::move(sink));
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
