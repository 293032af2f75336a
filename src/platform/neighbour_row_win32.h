// What one row of the Windows neighbour table (GetIpNetTable2, ResolveIpNetEntry2) proves.
#pragma once

#include "platform/neighbours.h"

// clang-format off
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
// clang-format on

#include <optional>

namespace zelvoro::platform {

// The device of an IPv4 row in the Reachable state (confirmed within the reachable time, tens of
// seconds), with a 6-byte link-layer address and not flagged unreachable.
std::optional<Neighbour> reachable_neighbour(const MIB_IPNET_ROW2& row);

} // namespace zelvoro::platform
