// What one row of the Windows neighbour table (GetIpNetTable2) proves.
#pragma once

#include "platform/neighbour_sightings.h"

// clang-format off
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
// clang-format on

#include <optional>

namespace zelvoro::platform {

// A sighting when the row is an IPv4 neighbour whose 6-byte link-layer address came from address
// resolution (Reachable, Stale, Delay or Probe, not flagged unreachable); its age is
// ReachabilityTime.LastReachable, the milliseconds since the neighbour was last confirmed.
std::optional<NeighbourSighting> sighting_of(const MIB_IPNET_ROW2& row);

} // namespace zelvoro::platform
