// Ways of applying a checked static configuration to one network device on Linux. Each method
// returns an adapter_result code. A device NetworkManager manages is configured through it;
// every other device through rtnetlink and the resolver.
#pragma once

#include "platform/adapters/adapter_arguments.h"
#include "platform/diagnostics.h"
#include "platform/ipv4_address.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zelvoro::platform {

class DeviceApplier {
public:
    virtual ~DeviceApplier() = default;
    // The device's IPv4 addresses become exactly `addresses`.
    virtual int replace_addresses(const std::vector<InterfaceAddress>& addresses) = 0;
    // The device's default routes in the main table become exactly `gateways`; routes of other
    // devices, also to the same gateway with the same metric, stay.
    virtual int replace_default_routes(const std::vector<DefaultGateway>& gateways) = 0;
    // The DNS servers the device's lookups use become `servers`, in order.
    virtual int replace_dns_servers(const std::vector<Ipv4Address>& servers) = 0;
};

// Where the DNS servers of a device are set: systemd-resolved per link, or the one resolver
// file every lookup of this process reads.
class DnsServerSetter {
public:
    virtual ~DnsServerSetter() = default;
    virtual int replace(int link_index, const std::vector<Ipv4Address>& servers) = 0;
};

// The way that fits the resolver file at `resolver_file`: the file itself when it is not
// resolved's (see is_resolved_file); systemd-resolved when it is, unless this process is known
// to be in another network namespace than process 1. A process in another namespace never
// reconfigures the host's resolved: its setter refuses.
// Each setter logs why it failed in `diagnostics`.
std::shared_ptr<DnsServerSetter> make_dns_server_setter(const std::filesystem::path& resolver_file,
                                                        Diagnostics& diagnostics);

// systemd-resolved, per link.
std::shared_ptr<DnsServerSetter> make_resolved_dns(Diagnostics& diagnostics);

// Whether systemd-resolved runs: its name is owned on the system bus. False when there is no
// system bus or it does not answer within a few seconds.
bool resolved_answers();

// Addresses and routes of the link `name` through rtnetlink, DNS servers through `dns`; what the
// kernel refuses, with its errno value and reason, goes to `diagnostics`.
std::unique_ptr<DeviceApplier> make_rtnetlink_applier(int link_index, std::string name,
                                                      Diagnostics& diagnostics,
                                                      std::shared_ptr<DnsServerSetter> dns);

// NetworkManager's devices, as it listed them when it was found.
class ManagedDevices {
public:
    virtual ~ManagedDevices() = default;
    // The applier for the link `name` when NetworkManager manages a device with that interface
    // name and hardware address (a device of the same name in another network namespace has
    // another address); otherwise none.
    virtual std::unique_ptr<DeviceApplier>
    applier_for(const std::string& name, std::span<const std::uint8_t> hardware_address) = 0;
};

// NetworkManager when it runs (its name is owned on the system bus); none when it does not or
// there is no system bus, which costs one failed connect or one round trip. Throws
// PlatformError when the bus does not answer in time. Its appliers log why a change failed in
// `diagnostics`.
std::unique_ptr<ManagedDevices> find_network_manager(Diagnostics& diagnostics);

// The code for a failed system call's errno value: access denied for a missing privilege,
// "other failure" for the rest.
int adapter_result_of_errno(int error);

} // namespace zelvoro::platform
