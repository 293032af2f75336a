// The neighbour table of a scenario: chosen addresses confirmed with their link-layer
// addresses (none by default), or the real table.
#pragma once

#include "platform/neighbours.h"

#include <map>
#include <memory>

namespace zelvoro::scenario {

class ScriptedNeighbours final : public platform::NeighbourTable {
public:
    void confirm(std::map<platform::Ipv4Address, platform::MacAddress> present);
    // The real table, logging to `diagnostics`.
    void use_real(platform::Diagnostics& diagnostics);

    std::vector<platform::Neighbour> confirmed(std::span<const platform::Ipv4Address> addresses,
                                               std::chrono::milliseconds within) override;

private:
    std::map<platform::Ipv4Address, platform::MacAddress> present_;
    std::unique_ptr<platform::NeighbourTable> real_;
};

} // namespace zelvoro::scenario
