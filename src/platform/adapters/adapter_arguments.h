// The arguments of the three adapter configuration methods, checked the way the management
// service checks them: a method with one bad argument is refused as a whole, before anything
// changes, with the code of the first bad argument.
#pragma once

#include "platform/adapters/adapters.h"
#include "platform/ipv4_address.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zelvoro::platform {

// Up to this prefix length a subnet has a network and a broadcast address that no host may
// take; /31 (point-to-point) and /32 have none.
inline constexpr int longest_prefix_with_broadcast = 30;

struct InterfaceAddress {
    Ipv4Address address;
    int prefix_length = 0;

    friend bool operator==(const InterfaceAddress&, const InterfaceAddress&) = default;
};

struct DefaultGateway {
    Ipv4Address gateway;
    std::uint16_t metric = 0;

    friend bool operator==(const DefaultGateway&, const DefaultGateway&) = default;
};

// The values to apply when `code` is adapter_result::success; otherwise none.
template <typename Value> struct CheckedArguments {
    int code = adapter_result::success;
    std::vector<Value> values;
};

// EnableStatic: one mask per address, at least one address. An address must be a unicast
// host address (not 0.0.0.0, 255.255.255.255, loopback or multicast) that is neither the
// network nor the broadcast address of its subnet; a mask must be contiguous and not 0.0.0.0.
CheckedArguments<InterfaceAddress> check_static_addresses(const std::vector<std::string>& addresses,
                                                          const std::vector<std::string>& masks);

// SetGateways: unicast host addresses, each with its metric (1 to 9999); no metrics at all
// gives each gateway the metric 1. A gateway may not be one of `own_addresses`, the addresses
// the adapter was given last: a default route through the machine itself leads nowhere. An
// empty list removes the default gateways.
CheckedArguments<DefaultGateway> check_gateways(const std::vector<std::string>& gateways,
                                                const std::vector<std::uint16_t>& metrics,
                                                const std::vector<InterfaceAddress>& own_addresses);

// SetDNSServerSearchOrder: unicast addresses, loopback included (a resolver on this machine).
// An empty list removes the servers.
CheckedArguments<Ipv4Address> check_dns_servers(const std::vector<std::string>& servers);

} // namespace zelvoro::platform
