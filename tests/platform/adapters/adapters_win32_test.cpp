// The WMI adapter service as the platform has it. Under Wine the query works and the three
// configuration methods are not implemented: each must come back as a failure, never as 0. On
// Windows itself the methods would reconfigure the machine, so only the query runs there.
#include "platform/adapters/adapters.h"
#include "platform/platform_error.h"
#include "platform/win32/wine_win32.h"

#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

using Call = std::function<int(AdapterConfiguration&)>;

// The result of `call`, or nothing when it could not be made at all.
std::optional<int> result_of(const Call& call, AdapterConfiguration& adapter) {
    try {
        return call(adapter);
    } catch (const PlatformError& error) {
        std::cout << "  " << error.what() << '\n';
        return std::nullopt;
    }
}

TEST(platform_win32_adapters, MethodsWineLacksNeverReportSuccess) {
    RecordedDiagnostics diagnostics;
    const auto service = make_system_adapter_service(diagnostics);
    std::vector<std::unique_ptr<AdapterConfiguration>> adapters;
    ASSERT_NO_THROW(adapters = service->ip_enabled_adapters());
    if (!running_under_wine() || adapters.empty()) {
        GTEST_SKIP() << "not under Wine, or the query listed no IP-enabled adapter";
    }
    const std::vector<std::pair<std::string, Call>> calls = {
        {"EnableStatic",
         [](AdapterConfiguration& a) { return a.enable_static({"192.0.2.5"}, {"255.255.255.0"}); }},
        {"SetGateways", [](AdapterConfiguration& a) { return a.set_gateways({"192.0.2.1"}, {1}); }},
        {"SetDNSServerSearchOrder",
         [](AdapterConfiguration& a) {
             return a.set_dns_server_search_order({"192.0.2.53", "198.51.100.53"});
         }},
    };
    for (const auto& adapter : adapters) {
        for (const auto& [name, call] : calls) {
            SCOPED_TRACE(adapter->description() + ": " + name);
            EXPECT_NE(result_of(call, *adapter), std::optional<int>(adapter_result::success));
        }
    }
}

// Refused before WMI is asked, as on Linux; under Wine EnableStatic itself fails, which leaves
// the address it was given the adapter's new one all the same.
TEST(platform_win32_adapters, GatewayEqualToTheNewAddressIsRefused) {
    RecordedDiagnostics diagnostics;
    const auto service = make_system_adapter_service(diagnostics);
    std::vector<std::unique_ptr<AdapterConfiguration>> adapters;
    ASSERT_NO_THROW(adapters = service->ip_enabled_adapters());
    if (!running_under_wine() || adapters.empty()) {
        GTEST_SKIP() << "not under Wine, or the query listed no IP-enabled adapter";
    }
    for (const auto& adapter : adapters) {
        SCOPED_TRACE(adapter->description());
        result_of(
            [](AdapterConfiguration& a) {
                return a.enable_static({"192.0.2.5"}, {"255.255.255.0"});
            },
            *adapter);
        EXPECT_EQ(adapter->set_gateways({"192.0.2.5"}, {1}), adapter_result::invalid_gateway);
    }
}

} // namespace
} // namespace zelvoro::platform
