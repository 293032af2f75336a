// The neighbour table on Linux: one rtnetlink dump of the IPv4 entries per reading, over a socket
// of its own.
#include "platform/linux/neighbour_dump.h"
#include "platform/neighbours.h"
#include "platform/platform_error.h"

#include <optional>
#include <unistd.h>

namespace zelvoro::platform {

namespace {

// USER_HZ on every architecture Linux runs on, should sysconf not know it.
constexpr long usual_ticks_per_second = 100;

std::chrono::microseconds clock_tick() {
    const long per_second = ::sysconf(_SC_CLK_TCK);
    return std::chrono::microseconds(std::chrono::seconds(1)) /
           (per_second > 0 ? per_second : usual_ticks_per_second);
}

std::optional<std::vector<NeighbourSighting>> read_sightings(Diagnostics& diagnostics) {
    try {
        netlink::RouteSocket socket;
        return netlink::neighbour_sightings(socket.dump(netlink::neighbour_dump_request()),
                                            clock_tick());
    } catch (const PlatformError& error) {
        diagnostics.failure(std::string("the neighbour table cannot be read: ") + error.what());
        return std::nullopt;
    }
}

class LinuxNeighbourTable final : public NeighbourTable {
public:
    explicit LinuxNeighbourTable(Diagnostics& diagnostics) : diagnostics_(diagnostics) {}

    std::vector<Neighbour> confirmed(std::span<const Ipv4Address> addresses,
                                     std::chrono::milliseconds within) override {
        if (addresses.empty()) {
            return {};
        }
        const auto sightings = read_sightings(diagnostics_);
        if (!sightings) {
            return {};
        }
        return sightings_within(addresses, *sightings, within);
    }

private:
    Diagnostics& diagnostics_;
};

} // namespace

std::unique_ptr<NeighbourTable> make_system_neighbour_table(Diagnostics& diagnostics) {
    return std::make_unique<LinuxNeighbourTable>(diagnostics);
}

} // namespace zelvoro::platform
