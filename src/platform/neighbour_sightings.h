// What one entry of a neighbour table proves, whichever system reported it, and the choice of the
// entries that count for a set of addresses.
#pragma once

#include "platform/neighbours.h"

#include <chrono>
#include <span>
#include <vector>

namespace zelvoro::platform {

// An entry holding a link-layer address learnt from the device itself (an ARP answer), not one
// written by hand or made up for a link without address resolution.
struct NeighbourSighting {
    Ipv4Address address;
    MacAddress mac;
    // The shortest time since the entry was last confirmed that the table's reading allows.
    std::chrono::milliseconds age{0};

    friend bool operator==(const NeighbourSighting&, const NeighbourSighting&) = default;
};

// The neighbours of `addresses`, in their order, whose sighting is younger than `within`. An
// address seen on several links takes its youngest sighting.
std::vector<Neighbour> sightings_within(std::span<const Ipv4Address> addresses,
                                        std::span<const NeighbourSighting> sightings,
                                        std::chrono::milliseconds within);

} // namespace zelvoro::platform
