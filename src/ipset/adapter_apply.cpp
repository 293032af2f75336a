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

template <typename Value> std::string list_text(const std::vector<Value>& values) {
    std::string text;
    for (const Value& value : values) {
        text += text.empty() ? "" : " ";
        if constexpr (std::is_same_v<Value, std::string>) {
            text += value;
        } else {
            text += std::to_string(value);
        }
    }
    return text;
}

// `METHOD(ARGUMENTS) on "ADAPTER"`, a call as the log names it.
std::string call_text(std::string_view method, const std::string& arguments,
                      const platform::AdapterConfiguration& adapter) {
    return std::string(method) + "(" + arguments + ") on \"" + adapter.description() + "\"";
}

// The method's result; a result other than success and a call that cannot be made are logged.
int call(platform::Diagnostics& diagnostics, const std::string& what,
         const std::function<int()>& method) {
    try {
        const int result = method();
        if (result != platform::adapter_result::success) {
            diagnostics.failure(what + " returned " + std::to_string(result));
        }
        return result;
    } catch (const platform::PlatformError& error) {
        diagnostics.failure(what + " could not be made: " + error.what());
        return call_failed;
    }
}

Adapters query(platform::AdapterService& service, platform::Diagnostics& diagnostics) {
    try {
        auto adapters = service.ip_enabled_adapters();
        if (adapters.empty()) {
            diagnostics.failure("the adapter query found no IP-enabled adapter");
        }
        return adapters;
    } catch (const platform::PlatformError& error) {
        diagnostics.failure(std::string("the adapter query failed: ") + error.what());
        return {};
    }
}

// The last adapter's results, all of which must be 0; false when there was no adapter.
bool for_every_adapter(platform::AdapterService& service, platform::Diagnostics& diagnostics,
                       ui::Toolkit& toolkit,
                       const std::function<bool(platform::AdapterConfiguration&)>& apply) {
    const ui::BusyScope busy(toolkit);
    bool last_succeeded = false;
    for (const auto& adapter : query(service, diagnostics)) {
        last_succeeded = apply(*adapter);
    }
    return last_succeeded;
}

} // namespace

bool apply_to_every_adapter(platform::AdapterService& service, platform::Diagnostics& diagnostics,
                            ui::Toolkit& toolkit, const AddressApply& apply) {
    const std::vector<std::string> addresses{apply.address};
    const std::vector<std::string> masks{apply.mask};
    const std::vector<std::string> gateways{apply.gateway};
    const std::vector<std::uint16_t> metrics{1};
    return for_every_adapter(
        service, diagnostics, toolkit, [&](platform::AdapterConfiguration& adapter) {
            const int address_result = call(
                diagnostics,
                call_text("EnableStatic", list_text(addresses) + ", " + list_text(masks), adapter),
                [&] { return adapter.enable_static(addresses, masks); });
            const int gateway_result = call(
                diagnostics,
                call_text("SetGateways", list_text(gateways) + ", " + list_text(metrics), adapter),
                [&] { return adapter.set_gateways(gateways, metrics); });
            return address_result == platform::adapter_result::success &&
                   gateway_result == platform::adapter_result::success;
        });
}

bool apply_to_every_adapter(platform::AdapterService& service, platform::Diagnostics& diagnostics,
                            ui::Toolkit& toolkit, const DnsApply& apply) {
    return for_every_adapter(
        service, diagnostics, toolkit, [&](platform::AdapterConfiguration& adapter) {
            return call(diagnostics,
                        call_text("SetDNSServerSearchOrder", list_text(apply.servers), adapter),
                        [&] { return adapter.set_dns_server_search_order(apply.servers); }) ==
                   platform::adapter_result::success;
        });
}

} // namespace zelvoro::ipset
