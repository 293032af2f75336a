// Presence on Windows: the rows of the range that are Reachable in the neighbour table when the
// sweep ends (GetIpNetTable2), then a fresh resolution (ResolveIpNetEntry2, which sends ARP
// requests anew) of every silent address without one, at most 32 at a time on threads of their
// own. A resolution blocks until its device answers or the system gives up (seconds): the
// threads may outlive the watch, which then takes nothing more from them.
#include "platform/neighbour_row_win32.h"
#include "platform/neighbours.h"
#include "platform/proof_channel.h"
#include "platform/win32/wine_win32.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <windows.h>

namespace zelvoro::platform {

std::optional<Neighbour> reachable_neighbour(const MIB_IPNET_ROW2& row) {
    if (row.Address.si_family != AF_INET || row.State != NlnsReachable || row.IsUnreachable ||
        row.PhysicalAddressLength != MacAddress{}.size()) {
        return std::nullopt;
    }
    Neighbour neighbour{};
    std::memcpy(neighbour.address.octets.data(), &row.Address.Ipv4.sin_addr,
                neighbour.address.octets.size());
    std::copy_n(row.PhysicalAddress, neighbour.mac.size(), neighbour.mac.begin());
    return neighbour;
}

namespace {

using Clock = std::chrono::steady_clock;
using AddressSet = std::set<Ipv4Address>;
using ResolveFunction = DWORD(WINAPI*)(PMIB_IPNET_ROW2, const SOCKADDR_INET*);

constexpr std::size_t most_resolutions_at_once = 32;
// Each resolution ends by itself within seconds; the watch ends at the latest after this.
constexpr std::chrono::seconds longest_watch{60};

// Wine builds its table from /proc/net/arp, which keeps no states: every complete entry comes out
// Reachable, one that Linux has held as STALE for minutes included. Nothing read there proves a
// recent answer.
bool table_tells_states() {
    return !running_under_wine();
}

// ResolveIpNetEntry2 where the system has it (Wine 8 has not).
ResolveFunction resolve_function() {
    const HMODULE library = GetModuleHandleW(L"iphlpapi.dll");
    const FARPROC found =
        library == nullptr ? nullptr : GetProcAddress(library, "ResolveIpNetEntry2");
    return reinterpret_cast<ResolveFunction>(reinterpret_cast<void (*)()>(found));
}

SOCKADDR_INET socket_address(const Ipv4Address& address) {
    SOCKADDR_INET result{};
    result.Ipv4.sin_family = AF_INET;
    std::memcpy(&result.Ipv4.sin_addr, address.octets.data(), address.octets.size());
    return result;
}

// The interface the system sends to `address` on, when it sends to it directly (no gateway).
std::optional<NET_IFINDEX> direct_interface(const Ipv4Address& address) {
    const SOCKADDR_INET destination = socket_address(address);
    MIB_IPFORWARD_ROW2 route{};
    SOCKADDR_INET source{};
    if (GetBestRoute2(nullptr, 0, nullptr, &destination, 0, &route, &source) != NO_ERROR ||
        route.NextHop.si_family != AF_INET || route.NextHop.Ipv4.sin_addr.s_addr != 0) {
        return std::nullopt;
    }
    return route.InterfaceIndex;
}

class IpNetTable {
public:
    explicit IpNetTable(Diagnostics& diagnostics) {
        if (const DWORD error = GetIpNetTable2(AF_INET, &table_); error != NO_ERROR) {
            diagnostics.failure("the neighbour table cannot be read: GetIpNetTable2 failed with " +
                                std::to_string(error));
            table_ = nullptr;
        }
    }
    IpNetTable(const IpNetTable&) = delete;
    IpNetTable& operator=(const IpNetTable&) = delete;
    ~IpNetTable() {
        if (table_ != nullptr) {
            FreeMibTable(table_);
        }
    }

    std::span<const MIB_IPNET_ROW2> rows() const {
        if (table_ == nullptr) {
            return {};
        }
        return {table_->Table, table_->NumEntries};
    }

private:
    PMIB_IPNET_TABLE2 table_ = nullptr;
};

std::vector<Neighbour> reachable_rows(const AddressSet& range, Diagnostics& diagnostics) {
    std::vector<Neighbour> found;
    if (!table_tells_states()) {
        return found;
    }
    const IpNetTable table(diagnostics);
    for (const MIB_IPNET_ROW2& row : table.rows()) {
        const auto neighbour = reachable_neighbour(row);
        if (neighbour && range.contains(neighbour->address)) {
            found.push_back(*neighbour);
        }
    }
    return found;
}

// What the resolving threads share with the watch, and keep alive after it.
struct Resolutions {
    explicit Resolutions(PresenceSink sink) : channel(std::move(sink)) {}

    ProofChannel channel;
    std::mutex mutex;
    std::deque<Ipv4Address> waiting;
    std::size_t running = 0;
    bool stopped = false;
    Clock::time_point end;
    NET_IFINDEX interface_index = 0;
    ResolveFunction resolve = nullptr;
};

std::optional<Ipv4Address> next_address(Resolutions& shared) {
    const std::lock_guard lock(shared.mutex);
    if (shared.stopped || shared.waiting.empty() || Clock::now() >= shared.end) {
        return std::nullopt;
    }
    const Ipv4Address address = shared.waiting.front();
    shared.waiting.pop_front();
    return address;
}

// One resolving thread is done (or was never started); the last one ends the watch.
void finish_thread(Resolutions& shared) {
    bool last = false;
    {
        const std::lock_guard lock(shared.mutex);
        last = --shared.running == 0;
    }
    if (last) {
        shared.channel.end();
    }
}

// One resolving thread: the next waiting address until none is left or the watch is over.
void resolve_waiting(const std::shared_ptr<Resolutions>& shared) {
    while (const auto address = next_address(*shared)) {
        MIB_IPNET_ROW2 row{};
        row.Address = socket_address(*address);
        row.InterfaceIndex = shared->interface_index;
        if (shared->resolve(&row, nullptr) == NO_ERROR) {
            if (const auto neighbour = reachable_neighbour(row)) {
                shared->channel.prove(*neighbour);
            }
        }
    }
    finish_thread(*shared);
}

class Win32Watch final : public PresenceWatch {
public:
    Win32Watch(std::span<const Ipv4Address> range, std::chrono::milliseconds window,
               PresenceSink sink, Diagnostics& diagnostics)
        : range_(range.begin(), range.end()), window_(window), diagnostics_(diagnostics),
          shared_(std::make_shared<Resolutions>(std::move(sink))) {}
    Win32Watch(const Win32Watch&) = delete;
    Win32Watch& operator=(const Win32Watch&) = delete;
    ~Win32Watch() override {
        {
            const std::lock_guard lock(shared_->mutex);
            shared_->stopped = true;
        }
        shared_->channel.close();
    }

    std::vector<Neighbour> sweep_ended(std::span<const Ipv4Address> silent) override {
        std::vector<Neighbour> proven = reachable_rows(range_, diagnostics_);
        shared_->channel.open();
        start_resolving(silent, proven);
        return proven;
    }

private:
    void start_resolving(std::span<const Ipv4Address> silent,
                         const std::vector<Neighbour>& proven) {
        {
            const std::lock_guard lock(shared_->mutex);
            for (const Ipv4Address& address : silent) {
                const bool marked = std::any_of(proven.begin(), proven.end(), [&](const auto& n) {
                    return n.address == address;
                });
                if (range_.contains(address) && !marked) {
                    shared_->waiting.push_back(address);
                }
            }
            shared_->end = Clock::now() + window_;
            shared_->resolve = resolve_function();
            const auto link = shared_->waiting.empty() ? std::nullopt
                                                       : direct_interface(shared_->waiting.front());
            if (shared_->resolve == nullptr || !link) {
                shared_->waiting.clear();
            } else {
                shared_->interface_index = *link;
            }
            shared_->running = std::min(most_resolutions_at_once, shared_->waiting.size());
        }
        if (shared_->running == 0) {
            shared_->channel.end();
            return;
        }
        for (std::size_t i = 0, count = shared_->running; i < count; ++i) {
            start_thread();
        }
    }

    // A thread that cannot be started leaves its share to the others.
    void start_thread() {
        try {
            std::thread([shared = shared_] { resolve_waiting(shared); }).detach();
        } catch (const std::system_error& error) {
            diagnostics_.failure(std::string("a resolving thread cannot be started: ") +
                                 error.what());
            finish_thread(*shared_);
        }
    }

    AddressSet range_;
    std::chrono::milliseconds window_;
    // Written to only on the thread that calls the watch: the resolving threads may outlive it.
    Diagnostics& diagnostics_;
    std::shared_ptr<Resolutions> shared_;
};

class Win32NeighbourService final : public NeighbourService {
public:
    explicit Win32NeighbourService(Diagnostics& diagnostics) : diagnostics_(diagnostics) {}

    std::unique_ptr<PresenceWatch> watch(std::span<const Ipv4Address> range,
                                         const LateWindows& windows, PresenceSink sink) override {
        const auto window = windows.system_table.value_or(
            std::chrono::duration_cast<std::chrono::milliseconds>(longest_watch));
        return std::make_unique<Win32Watch>(range, window, std::move(sink), diagnostics_);
    }

private:
    Diagnostics& diagnostics_;
};

} // namespace

std::unique_ptr<NeighbourService> make_system_neighbour_service(Diagnostics& diagnostics) {
    return std::make_unique<Win32NeighbourService>(diagnostics);
}

} // namespace zelvoro::platform
