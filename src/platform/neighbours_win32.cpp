// The neighbour table on Windows, through GetIpNetTable2.
#include "platform/neighbour_row_win32.h"
#include "platform/neighbours.h"
#include "platform/win32/wine_win32.h"

#include <algorithm>
#include <cstring>
#include <windows.h>

namespace zelvoro::platform {

std::optional<NeighbourSighting> sighting_of(const MIB_IPNET_ROW2& row) {
    const bool resolved = row.State == NlnsReachable || row.State == NlnsStale ||
                          row.State == NlnsDelay || row.State == NlnsProbe;
    if (row.Address.si_family != AF_INET || !resolved || row.IsUnreachable ||
        row.PhysicalAddressLength != MacAddress{}.size()) {
        return std::nullopt;
    }
    NeighbourSighting sighting;
    std::memcpy(sighting.address.octets.data(), &row.Address.Ipv4.sin_addr,
                sighting.address.octets.size());
    std::copy_n(row.PhysicalAddress, sighting.mac.size(), sighting.mac.begin());
    sighting.age = std::chrono::milliseconds(row.ReachabilityTime.LastReachable);
    return sighting;
}

namespace {

// Wine builds its table from /proc/net/arp, which keeps no confirmation times: every complete
// entry comes out Reachable with LastReachable 0, one that Linux has held as STALE for minutes
// included. Nothing read there proves a recent answer.
bool table_tells_ages() {
    return !running_under_wine();
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

class Win32NeighbourTable final : public NeighbourTable {
public:
    explicit Win32NeighbourTable(Diagnostics& diagnostics) : diagnostics_(diagnostics) {}

    std::vector<Neighbour> confirmed(std::span<const Ipv4Address> addresses,
                                     std::chrono::milliseconds within) override {
        if (addresses.empty() || !table_tells_ages()) {
            return {};
        }
        const IpNetTable table(diagnostics_);
        std::vector<NeighbourSighting> sightings;
        for (const MIB_IPNET_ROW2& row : table.rows()) {
            if (const auto sighting = sighting_of(row)) {
                sightings.push_back(*sighting);
            }
        }
        return sightings_within(addresses, sightings, within);
    }

private:
    Diagnostics& diagnostics_;
};

} // namespace

std::unique_ptr<NeighbourTable> make_system_neighbour_table(Diagnostics& diagnostics) {
    return std::make_unique<Win32NeighbourTable>(diagnostics);
}

} // namespace zelvoro::platform
