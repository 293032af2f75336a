// The order of the local address table on Linux, which has no such table of its own: the
// addresses getifaddrs lists, arranged so that a machine's own address comes first.
#pragma once

#include "platform/address_table.h"
#include "platform/ipv4_address.h"

#include <cstdint>
#include <vector>

namespace zelvoro::platform {

// One IPv4 address as getifaddrs lists it, with what its place in the table depends on.
struct ListedAddress {
    std::uint32_t interface_index = 0; // 0 when the interface is not known
    Ipv4Address address;
    Ipv4Address mask;
    bool loopback = false;
};

// Interfaces in index order, an interface's addresses in the order given, loopback interfaces
// last.
std::vector<LocalAddress> table_order(std::vector<ListedAddress> addresses);

} // namespace zelvoro::platform
