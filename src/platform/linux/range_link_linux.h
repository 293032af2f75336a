// The link a sweep's range is on, asked of the kernel through rtnetlink: the interface it would
// send to the range's addresses on, when it sends to them directly (no gateway), and what this
// machine is on that link.
#pragma once

#include "platform/linux/netlink_route_linux.h"
#include "platform/neighbours.h"

#include <optional>
#include <span>
#include <string>

namespace zelvoro::platform::netlink {

struct RangeLink {
    int interface_index = 0;
    std::string interface_name;
    // The interface's own link-layer address, when it is a 6-byte Ethernet one.
    std::optional<MacAddress> own_mac;
    // The interface's own address on a subnet that holds the whole range.
    std::optional<Ipv4Address> own_address;
};

// Nothing when the range is empty, or when the kernel would send to its lowest or highest
// address (this machine's own addresses passed over) through a gateway or over two interfaces.
// Throws PlatformError when the kernel cannot be asked.
std::optional<RangeLink> range_link(RouteSocket& socket, std::span<const Ipv4Address> range);

} // namespace zelvoro::platform::netlink
