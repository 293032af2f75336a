#include "ipset/adapter_apply.h"

#include "platform/platform_error.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace zelvoro::ipset {

namespace {

using Adapters = std::vector<std::unique_ptr<platform::AdapterConfiguration>>;

// The result a call that could not be made stands for: anything but success.
constexpr int call_failed = -1;

int call(const std::function<int()>& method) {
    try {
        return method();
    } catch (const platform::PlatformError&) {
        return call_failed;
    }
}

Adapters query(platform::AdapterService& service) {
    try {
        return service.ip_enabled_adapters();
    } catch (const platform::PlatformError&) {
        return {};
    }
}

// The last adapter's results, all of which must be 0; false when there was no adapter.
bool for_every_adapter(platform::AdapterService& service, ui::Toolkit& toolkit,
                       const std::function<bool(platform::AdapterConfiguration&)>& apply) {
    const ui::BusyScope busy(toolkit);
    bool last_succeeded = false;
    for (const auto& adapter : query(service)) {
        last_succeeded = apply(*adapter);
    }
    return last_succeeded;
}

} // namespace

bool apply_to_every_adapter(platform::AdapterService& service, ui::Toolkit& toolkit,
                            const AddressApply& apply) {
    const std::vector<std::string> addresses{apply.address};
    const std::vector<std::string> masks{apply.mask};
    const std::vector<std::string> gateways{apply.gateway};
    const std::vector<std::uint16_t> metrics{1};
    return for_every_adapter(service, toolkit, [&](platform::AdapterConfiguration& adapter) {
        const int address_result = call([&] { return adapter.enable_static(addresses, masks); });
        const int gateway_result = call([&] { return adapter.set_gateways(gateways, metrics); });
        return address_result == platform::adapter_result::success &&
               gateway_result == platform::adapter_result::success;
    });
}

bool apply_to_every_adapter(platform::AdapterService& service, ui::Toolkit& toolkit,
                            const DnsApply& apply) {
    return for_every_adapter(service, toolkit, [&](platform::AdapterConfiguration& adapter) {
        return call([&] { return adapter.set_dns_server_search_order(apply.servers); }) ==
               platform::adapter_result::success;
    });
}

} // namespace zelvoro::ipset
