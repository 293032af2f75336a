#include "platform/adapters/adapter_arguments.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <optional>

namespace zelvoro::platform {

namespace {

// Metrics the management service accepts for a gateway.
constexpr std::uint16_t lowest_metric = 1;
constexpr std::uint16_t highest_metric = 9999;
// The metric of a gateway given without one.
constexpr std::uint16_t default_metric = 1;

std::uint32_t to_u32(const Ipv4Address& address) {
    std::uint32_t value = 0;
    for (std::uint8_t octet : address.octets) {
        value = value << 8 | octet;
    }
    return value;
}

bool is_multicast(const Ipv4Address& address) {
    return (address.octets[0] & 0xF0) == 0xE0;
}
bool is_loopback(const Ipv4Address& address) {
    return address.octets[0] == 127;
}
bool is_unspecified(const Ipv4Address& address) {
    return to_u32(address) == 0;
}

// parse_dotted_quad refuses 255.255.255.255 (also a failure value to the platform's own
// conversion); as a mask it is the /32 host mask.
std::optional<Ipv4Address> parse_mask_text(const std::string& text) {
    if (text == "255.255.255.255") {
        return Ipv4Address{{255, 255, 255, 255}};
    }
    return parse_dotted_quad(text);
}

// An address a device may take or route through: parse_dotted_quad has already refused
// 255.255.255.255.
std::optional<Ipv4Address> parse_host(const std::string& text) {
    const auto address = parse_dotted_quad(text);
    if (!address || is_unspecified(*address) || is_multicast(*address) || is_loopback(*address)) {
        return std::nullopt;
    }
    return address;
}

// The prefix length of a contiguous mask other than 0.0.0.0.
std::optional<int> prefix_length_of(const std::string& text) {
    const auto mask = parse_mask_text(text);
    if (!mask) {
        return std::nullopt;
    }
    const std::uint32_t host_bits = ~to_u32(*mask);
    if (host_bits == 0xFFFFFFFFu || (host_bits & (host_bits + 1)) != 0) {
        return std::nullopt;
    }
    return std::popcount(to_u32(*mask));
}

bool is_network_or_broadcast(const Ipv4Address& address, int prefix_length) {
    if (prefix_length > longest_prefix_with_broadcast) {
        return false;
    }
    const std::uint32_t host_bits = 0xFFFFFFFFu >> prefix_length;
    const std::uint32_t host_part = to_u32(address) & host_bits;
    return host_part == 0 || host_part == host_bits;
}

bool is_own(const Ipv4Address& address, const std::vector<InterfaceAddress>& own_addresses) {
    return std::any_of(own_addresses.begin(), own_addresses.end(),
                       [&](const InterfaceAddress& own) { return own.address == address; });
}

template <typename Value> CheckedArguments<Value> refused(int code) {
    return {code, {}};
}

} // namespace

CheckedArguments<InterfaceAddress> check_static_addresses(const std::vector<std::string>& addresses,
                                                          const std::vector<std::string>& masks) {
    if (addresses.empty() || masks.size() != addresses.size()) {
        return refused<InterfaceAddress>(adapter_result::invalid_input_parameter);
    }
    CheckedArguments<InterfaceAddress> checked;
    for (std::size_t index = 0; index < addresses.size(); ++index) {
        const auto address = parse_host(addresses[index]);
        if (!address) {
            return refused<InterfaceAddress>(adapter_result::invalid_ip_address);
        }
        const auto prefix_length = prefix_length_of(masks[index]);
        if (!prefix_length) {
            return refused<InterfaceAddress>(adapter_result::invalid_subnet_mask);
        }
        if (is_network_or_broadcast(*address, *prefix_length)) {
            return refused<InterfaceAddress>(adapter_result::invalid_ip_address);
        }
        checked.values.push_back({*address, *prefix_length});
    }
    return checked;
}

CheckedArguments<DefaultGateway>
check_gateways(const std::vector<std::string>& gateways, const std::vector<std::uint16_t>& metrics,
               const std::vector<InterfaceAddress>& own_addresses) {
    if (!metrics.empty() && metrics.size() != gateways.size()) {
        return refused<DefaultGateway>(adapter_result::invalid_input_parameter);
    }
    CheckedArguments<DefaultGateway> checked;
    for (std::size_t index = 0; index < gateways.size(); ++index) {
        const auto gateway = parse_host(gateways[index]);
        if (!gateway || is_own(*gateway, own_addresses)) {
            return refused<DefaultGateway>(adapter_result::invalid_gateway);
        }
        const std::uint16_t metric = metrics.empty() ? default_metric : metrics[index];
        if (metric < lowest_metric || metric > highest_metric) {
            return refused<DefaultGateway>(adapter_result::invalid_input_parameter);
        }
        checked.values.push_back({*gateway, metric});
    }
    return checked;
}

CheckedArguments<Ipv4Address> check_dns_servers(const std::vector<std::string>& servers) {
    CheckedArguments<Ipv4Address> checked;
    for (const std::string& text : servers) {
        const auto server = parse_dotted_quad(text);
        if (!server || is_unspecified(*server) || is_multicast(*server)) {
            return refused<Ipv4Address>(adapter_result::invalid_ip_address);
        }
        checked.values.push_back(*server);
    }
    return checked;
}

} // namespace zelvoro::platform
