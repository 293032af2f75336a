// The rtnetlink conversation that reads the kernel's IPv4 neighbour table: the dump request,
// and what each datagram of the answer proves. Pure apart from the clock tick it is given.
#pragma once

#include "platform/neighbour_sightings.h"

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

namespace zelvoro::platform::netlink {

// RTM_GETNEIGH with NLM_F_DUMP for the IPv4 family, carrying `sequence`.
std::vector<std::uint8_t> neighbour_dump_request(std::uint32_t sequence);

// The least time a confirmation age of `ticks` can stand for (see read_neighbour_dump).
std::chrono::milliseconds least_confirmed_age(std::uint32_t ticks, std::chrono::microseconds tick);

enum class DumpProgress { more, done, failed };

// Reads one datagram of the answer to the request `sequence`: every RTM_NEWNEIGH entry of it
// that proves a device (see below) is appended to `sightings`. Returns `done` at NLMSG_DONE,
// `failed` at an NLMSG_ERROR or a message that does not fit its datagram, `more` otherwise.
// Messages of other sequence numbers are passed over.
//
// An entry proves a device when its state comes from address resolution (REACHABLE, STALE,
// DELAY or PROBE; not INCOMPLETE, FAILED, NOARP, PERMANENT) and it holds a 6-byte NDA_LLADDR, an
// IPv4 NDA_DST and NDA_CACHEINFO. The kernel reports ndm_confirmed as clock ticks since the last
// confirmation (jiffies converted to USER_HZ, the unit sysconf(_SC_CLK_TCK) names), truncated,
// and a jiffy is at most one tick long: the true age is more than (ticks - 1) * `tick`, which is
// the sighting's age.
DumpProgress read_neighbour_dump(std::span<const std::uint8_t> datagram, std::uint32_t sequence,
                                 std::chrono::microseconds tick,
                                 std::vector<NeighbourSighting>& sightings);

} // namespace zelvoro::platform::netlink
