// The machine's IP-enabled network adapters and the three configuration methods the settings
// window calls on each. Every method checks its own arguments before it changes anything and
// returns the management service's code: 0 for success.
#pragma once

#include "platform/diagnostics.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zelvoro::platform {

namespace adapter_result {
inline constexpr int success = 0;
inline constexpr int other_failure = 65;
inline constexpr int invalid_subnet_mask = 66;
inline constexpr int invalid_input_parameter = 68;
inline constexpr int invalid_ip_address = 70;
inline constexpr int invalid_gateway = 71;
inline constexpr int access_denied = 91;
} // namespace adapter_result

class AdapterConfiguration {
public:
    virtual ~AdapterConfiguration() = default;
    // A name for people (Linux: the interface name; Windows: the adapter's description).
    virtual std::string description() const { return {}; }
    // Each throws PlatformError when the call cannot be made at all.
    virtual int enable_static(const std::vector<std::string>& addresses,
                              const std::vector<std::string>& masks) = 0;
    virtual int set_gateways(const std::vector<std::string>& gateways,
                             const std::vector<std::uint16_t>& metrics) = 0;
    virtual int set_dns_server_search_order(const std::vector<std::string>& servers) = 0;
};

class AdapterService {
public:
    virtual ~AdapterService() = default;
    // The IP-enabled adapters in the platform's order. Throws PlatformError when the service
    // cannot be reached or the query fails.
    virtual std::vector<std::unique_ptr<AdapterConfiguration>> ip_enabled_adapters() = 0;
};

// Linux: rtnetlink (and the resolver configuration), or NetworkManager; why a method failed (the
// kernel's errno value and reason, NetworkManager's or resolved's message) goes to
// `diagnostics`. Windows: WMI, whose failures come back as codes or as PlatformError texts
// holding the HRESULT.
std::unique_ptr<AdapterService> make_system_adapter_service(Diagnostics& diagnostics);

} // namespace zelvoro::platform
