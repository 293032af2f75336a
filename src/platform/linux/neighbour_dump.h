// What the kernel's IPv4 neighbour table says, read through the rtnetlink client: the dump
// request, and the entries of its answer that prove a device. Pure apart from the clock tick it
// is given.
#pragma once

#include "platform/neighbour_sightings.h"
#include "platform/linux/netlink_route_linux.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zelvoro::platform::netlink {

// RTM_GETNEIGH for the IPv4 family, to be sent as a dump.
Request neighbour_dump_request();

// The least time a confirmation age of `ticks` can stand for (see neighbour_sightings).
std::chrono::milliseconds least_confirmed_age(std::uint32_t ticks, std::chrono::microseconds tick);

// The RTM_NEWNEIGH entries among `replies` that prove a device, in their order.
//
// An entry proves a device when its state comes from address resolution (REACHABLE, STALE,
// DELAY or PROBE; not INCOMPLETE, FAILED, NOARP, PERMANENT) and it holds a 6-byte NDA_LLADDR, an
// IPv4 NDA_DST and NDA_CACHEINFO. The kernel reports ndm_confirmed as clock ticks since the last
// confirmation (jiffies converted to USER_HZ, the unit sysconf(_SC_CLK_TCK) names), truncated,
// and a jiffy is at most one tick long: the true age is more than (ticks - 1) * `tick`, which is
// the sighting's age.
std::vector<NeighbourSighting> neighbour_sightings(std::span<const Reply> replies,
                                                   std::chrono::microseconds tick);

// The device an RTM_NEWNEIGH message (an entry of a dump, or a notification of a change) shows
// in state REACHABLE: the kernel had its answer within the reachable time (under a minute).
// Nothing for any other message, state or family, and for an entry without a 6-byte NDA_LLADDR
// or an IPv4 NDA_DST.
std::optional<Neighbour> reachable_neighbour(const Reply& message);

} // namespace zelvoro::platform::netlink
