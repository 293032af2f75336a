// The order of the local address table on Linux, which has no such table of its own: the
// addresses getifaddrs lists, arranged so that a machine's own address comes first.
#pragma once

#include "platform/ipv4_address.h"

#include <cstdint>
#include <vector>

namespace zelvoro::platform {

struct LocalAddress {
    std::uint32_t interface_index = 0; // 0 when the interface is not known
    Ipv4Address address;
    bool loopback = false;
};

// Interfaces in index order, an interface's addresses in the order given, loopback interfaces
// last.
std::vector<Ipv4Address> table_order(std::vector<LocalAddress> addresses);

} // namespace zelvoro::platform
