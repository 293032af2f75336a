#include "platform/adapters/adapter_arguments.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

using Texts = std::vector<std::string>;
namespace code = adapter_result;

struct StaticCase {
    Texts addresses;
    Texts masks;
    int code;
    std::vector<InterfaceAddress> values = {};
};

TEST(platform_adapter_arguments, EnableStatic) {
    const std::vector<StaticCase> cases = {
        {{"192.0.2.5"}, {"255.255.255.0"}, code::success, {{{{192, 0, 2, 5}}, 24}}},
        {{"198.51.100.1", "198.51.100.2"},
         {"255.255.255.252", "255.255.255.254"},
         code::success,
         {{{{198, 51, 100, 1}}, 30}, {{{198, 51, 100, 2}}, 31}}},
        {{"198.51.100.0"}, {"255.255.255.254"}, code::success, {{{{198, 51, 100, 0}}, 31}}},
        {{"198.51.100.255"}, {"255.255.255.255"}, code::success, {{{{198, 51, 100, 255}}, 32}}},
        {{"10.0.0.0"}, {"255.0.0.0"}, code::invalid_ip_address},           // network address
        {{"198.51.100.3"}, {"255.255.255.252"}, code::invalid_ip_address}, // broadcast of a /30
        {{"0.0.0.0"}, {"255.0.0.0"}, code::invalid_ip_address},
        {{"255.255.255.255"}, {"255.255.255.0"}, code::invalid_ip_address},
        {{"224.0.0.9"}, {"255.255.255.0"}, code::invalid_ip_address},
        {{"239.1.2.3"}, {"255.255.255.0"}, code::invalid_ip_address},
        {{"127.0.0.5"}, {"255.0.0.0"}, code::invalid_ip_address},
        {{"192.0.2.256"}, {"255.255.255.0"}, code::invalid_ip_address},
        {{"192.0..5"}, {"255.255.255.0"}, code::invalid_ip_address},
        {{"192.0.2.5"}, {"255.0.255.0"}, code::invalid_subnet_mask},
        {{"192.0.2.5"}, {"0.0.0.0"}, code::invalid_subnet_mask},
        {{"192.0.2.5"}, {"255.255.255.1"}, code::invalid_subnet_mask},
        {{"192.0.2.5"}, {"255.255.256.0"}, code::invalid_subnet_mask},
        {{"192.0.2.5"}, {""}, code::invalid_subnet_mask},
        // the first bad argument decides
        {{"192.0.2.5", "0.0.0.0"}, {"255.0.255.0", "255.255.255.0"}, code::invalid_subnet_mask},
        {{}, {}, code::invalid_input_parameter},
        {{"192.0.2.5"}, {"255.255.255.0", "255.255.255.0"}, code::invalid_input_parameter},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.addresses) + " " + testing::PrintToString(c.masks));
        const auto checked = check_static_addresses(c.addresses, c.masks);
        EXPECT_EQ(checked.code, c.code);
        EXPECT_EQ(checked.values, c.values);
    }
}

struct GatewayCase {
    Texts gateways;
    std::vector<std::uint16_t> metrics;
    int code;
    std::vector<DefaultGateway> values = {};
    std::vector<InterfaceAddress> own = {}; // the adapter's addresses
};

TEST(platform_adapter_arguments, SetGateways) {
    const std::vector<GatewayCase> cases = {
        {{"192.0.2.1"}, {1}, code::success, {{{{192, 0, 2, 1}}, 1}}},
        {{"192.0.2.1", "192.0.2.254"},
         {},
         code::success,
         {{{{192, 0, 2, 1}}, 1}, {{{192, 0, 2, 254}}, 1}}},
        {{"192.0.2.1"}, {9999}, code::success, {{{{192, 0, 2, 1}}, 9999}}},
        {{}, {}, code::success},
        {{"...1"}, {1}, code::invalid_gateway},
        {{"0.0.0.0"}, {1}, code::invalid_gateway},
        {{"255.255.255.255"}, {1}, code::invalid_gateway},
        {{"224.0.0.1"}, {1}, code::invalid_gateway},
        {{"192.0.2.1"}, {0}, code::invalid_input_parameter},
        {{"192.0.2.1"}, {10000}, code::invalid_input_parameter},
        {{"192.0.2.1"}, {1, 2}, code::invalid_input_parameter},
        // a route through the machine itself
        {{"192.0.2.5"}, {1}, code::invalid_gateway, {}, {{{{192, 0, 2, 5}}, 24}}},
        {{"192.0.2.1", "198.51.100.7"},
         {},
         code::invalid_gateway,
         {},
         {{{{192, 0, 2, 5}}, 24}, {{{198, 51, 100, 7}}, 25}}},
        {{"192.0.2.1"}, {1}, code::success, {{{{192, 0, 2, 1}}, 1}}, {{{{192, 0, 2, 5}}, 24}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.gateways) + " " + testing::PrintToString(c.metrics));
        const auto checked = check_gateways(c.gateways, c.metrics, c.own);
        EXPECT_EQ(checked.code, c.code);
        EXPECT_EQ(checked.values, c.values);
    }
}

struct DnsCase {
    Texts servers;
    int code;
    std::vector<Ipv4Address> values = {};
};

TEST(platform_adapter_arguments, SetDnsServerSearchOrder) {
    const std::vector<DnsCase> cases = {
        {{"192.0.2.53", "198.51.100.53"}, code::success, {{{192, 0, 2, 53}}, {{198, 51, 100, 53}}}},
        {{"127.0.0.1"}, code::success, {{{127, 0, 0, 1}}}},
        {{}, code::success},
        {{"192.0.2.53", "0.0.0.0"}, code::invalid_ip_address},
        {{"255.255.255.255"}, code::invalid_ip_address},
        {{"224.0.0.251"}, code::invalid_ip_address},
        {{"192.0.2"}, code::invalid_ip_address},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.servers));
        const auto checked = check_dns_servers(c.servers);
        EXPECT_EQ(checked.code, c.code);
        EXPECT_EQ(checked.values, c.values);
    }
}

} // namespace
} // namespace zelvoro::platform
