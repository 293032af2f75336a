// What the kernel's IPv4 neighbour table says, read through the rtnetlink client: the dump
// request, and the entries of a dump or the notifications of changes that prove a device.
#pragma once

#include "platform/linux/netlink_route_linux.h"
#include "platform/neighbours.h"

#include <optional>

namespace zelvoro::platform::netlink {

// RTM_GETNEIGH for the IPv4 family, to be sent as a dump.
Request neighbour_dump_request();

// The device an RTM_NEWNEIGH message (an entry of a dump, or a notification of a change) shows
// in state REACHABLE: the kernel had its answer within the reachable time (under a minute).
// Nothing for any other message, state or family, and for an entry without a 6-byte NDA_LLADDR
// or an IPv4 NDA_DST.
std::optional<Neighbour> reachable_neighbour(const Reply& message);

} // namespace zelvoro::platform::netlink
