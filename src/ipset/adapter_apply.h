// Applying one configuration to every IP-enabled adapter, in the order the service gives them.
// Every adapter receives the same values; only the adapter processed last decides the outcome.
#pragma once

#include "platform/adapters/adapters.h"
#include "platform/diagnostics.h"
#include "ui/toolkit.h"

#include <string>
#include <vector>

namespace zelvoro::ipset {

// A static address, mask and default gateway (metric 1).
struct AddressApply {
    std::string address;
    std::string mask;
    std::string gateway;
};

// A DNS server search order, preferred first.
struct DnsApply {
    std::vector<std::string> servers;
};

// True only when at least one adapter was processed and every result of the last one is 0.
// A query that fails processes no adapter; a method call that cannot be made counts as a
// failure of that adapter. The address apply calls EnableStatic and then SetGateways on each
// adapter, the second whatever the first returned. The toolkit shows that the window is busy
// meanwhile. Each failing query or call, and each result other than 0, leaves a line in
// `diagnostics`.
bool apply_to_every_adapter(platform::AdapterService& service, platform::Diagnostics& diagnostics,
                            ui::Toolkit& toolkit, const AddressApply& apply);
bool apply_to_every_adapter(platform::AdapterService& service, platform::Diagnostics& diagnostics,
                            ui::Toolkit& toolkit, const DnsApply& apply);

} // namespace zelvoro::ipset
