// The rtnetlink messages that set a device's addresses and default routes: the requests, and
// what the kernel's address and route dumps say about the device. Pure: bytes in, bytes out; the
// applier (rtnetlink_applier_linux.cpp) sends and receives them.
#pragma once

#include "platform/adapters/adapter_arguments.h"
#include "platform/linux/netlink_route_linux.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zelvoro::platform::rtnetlink {

// An IPv4 address of the device as the kernel lists it.
struct AssignedAddress {
    Ipv4Address local;
    Ipv4Address peer; // IFA_ADDRESS: the local address again, unless point-to-point
    unsigned char prefix_length = 0;

    friend bool operator==(const AssignedAddress&, const AssignedAddress&) = default;
};

// A default route of the main table as the kernel lists it, with what identifies it when it
// is deleted again.
struct DefaultRoute {
    unsigned char tos = 0;
    unsigned char protocol = 0;
    unsigned char flags = 0;
    std::uint32_t priority = 0;
    std::optional<Ipv4Address> gateway;

    friend bool operator==(const DefaultRoute&, const DefaultRoute&) = default;
};

// Dump requests for every IPv4 address and every IPv4 route.
netlink::Request address_dump_request();
netlink::Request route_dump_request();

// The device's addresses among an address dump's replies that `addresses` does not ask for
// again (same address and prefix), in the kernel's order.
std::vector<AssignedAddress> addresses_to_delete(std::span<const netlink::Reply> replies,
                                                 int link_index,
                                                 const std::vector<InterfaceAddress>& addresses);

// The device's default routes of the main table among a route dump's replies that `gateways`
// does not ask for again (a static route via the same gateway with the same metric), in the
// kernel's order. Routes of other devices and tables, and multipath routes, stay.
std::vector<DefaultRoute> routes_to_delete(std::span<const netlink::Reply> replies, int link_index,
                                           const std::vector<DefaultGateway>& gateways);

// RTM_NEWADDR, replacing an address of the same subnet; a broadcast address up to /30.
netlink::Request new_address_request(int link_index, const InterfaceAddress& address);
netlink::Request delete_address_request(int link_index, const AssignedAddress& address);
// RTM_NEWROUTE, static, appended after the routes with the same metric, so that another
// device's default route through the same gateway stays beside this one.
netlink::Request new_route_request(int link_index, const DefaultGateway& gateway);
netlink::Request delete_route_request(int link_index, const DefaultRoute& route);

// "A.B.C.D/N", "via A.B.C.D metric M": what a log line names.
std::string address_text(const InterfaceAddress& address);
std::string address_text(const AssignedAddress& address);
std::string route_text(const DefaultGateway& gateway);
std::string route_text(const DefaultRoute& route);

} // namespace zelvoro::platform::rtnetlink
