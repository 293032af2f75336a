#include "scripted_neighbours.h"

namespace zelvoro::scenario {

void ScriptedNeighbours::confirm(std::map<platform::Ipv4Address, platform::MacAddress> present) {
    real_.reset();
    present_ = std::move(present);
}

void ScriptedNeighbours::use_real(platform::Diagnostics& diagnostics) {
    real_ = platform::make_system_neighbour_table(diagnostics);
}

std::vector<platform::Neighbour>
ScriptedNeighbours::confirmed(std::span<const platform::Ipv4Address> addresses,
                              std::chrono::milliseconds within) {
    if (real_) {
        return real_->confirmed(addresses, within);
    }
    std::vector<platform::Neighbour> found;
    for (const platform::Ipv4Address& address : addresses) {
        if (const auto entry = present_.find(address); entry != present_.end()) {
            found.push_back({address, entry->second});
        }
    }
    return found;
}

} // namespace zelvoro::scenario
