// The IP-enabled adapters of this network namespace, from the kernel's link table. Each
// method checks its arguments first and hands the checked values to the device's applier.
#include "platform/adapters/adapters_linux.h"

#include "platform/adapters/adapter_arguments.h"
#include "platform/adapters/device_applier_linux.h"
#include "platform/linux/netlink_route_linux.h"

#include <cstdint>
#include <linux/if.h>
#include <linux/if_arp.h>
#include <linux/if_link.h>
#include <linux/rtnetlink.h>
#include <span>
#include <sys/socket.h>
#include <system_error>
#include <vector>

namespace zelvoro::platform {

namespace {

class LinuxAdapter final : public AdapterConfiguration {
public:
    LinuxAdapter(std::string name, std::unique_ptr<DeviceApplier> applier)
        : name_(std::move(name)), applier_(std::move(applier)) {}

    std::string description() const override { return name_; }

    int enable_static(const std::vector<std::string>& addresses,
                      const std::vector<std::string>& masks) override {
        const auto checked = check_static_addresses(addresses, masks);
        if (checked.code != adapter_result::success) {
            return checked.code;
        }
        addresses_ = checked.values;
        return applier_->replace_addresses(checked.values);
    }

    int set_gateways(const std::vector<std::string>& gateways,
                     const std::vector<std::uint16_t>& metrics) override {
        const auto checked = check_gateways(gateways, metrics, addresses_);
        return checked.code != adapter_result::success
                   ? checked.code
                   : applier_->replace_default_routes(checked.values);
    }

    int set_dns_server_search_order(const std::vector<std::string>& servers) override {
        const auto checked = check_dns_servers(servers);
        return checked.code != adapter_result::success
                   ? checked.code
                   : applier_->replace_dns_servers(checked.values);
    }

private:
    std::string name_;
    std::unique_ptr<DeviceApplier> applier_;
    std::vector<InterfaceAddress> addresses_; // given by the last enable_static
};

bool has_sysfs_device(const std::string& name) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path("/sys/class/net") / name / "device",
                                   error);
}

// A link of this namespace: what decides whether it is an adapter, and its hardware address,
// which tells it from a device of the same name elsewhere.
struct SystemLink {
    LinkFacts facts;
    std::vector<std::uint8_t> hardware_address; // IFLA_ADDRESS
};

std::vector<std::uint8_t> bytes_of(std::span<const std::byte> value) {
    std::vector<std::uint8_t> bytes;
    for (const std::byte octet : value) {
        bytes.push_back(static_cast<std::uint8_t>(octet));
    }
    return bytes;
}

std::optional<SystemLink> system_link(const netlink::Reply& reply) {
    const auto header = reply.header<ifinfomsg>();
    if (reply.type() != RTM_NEWLINK || !header) {
        return std::nullopt;
    }
    const auto attributes = reply.attributes(sizeof(ifinfomsg));
    SystemLink system;
    LinkFacts& link = system.facts;
    link.index = header->ifi_index;
    link.name = attributes.text(IFLA_IFNAME).value_or("");
    link.type = header->ifi_type;
    link.flags = header->ifi_flags;
    link.enslaved = attributes.u32(IFLA_MASTER).value_or(0) != 0;
    if (const auto info = attributes.find(IFLA_LINKINFO)) {
        link.kind = netlink::Attributes(*info).text(IFLA_INFO_KIND).value_or("");
    }
    link.has_device = !link.name.empty() && has_sysfs_device(link.name);
    if (const auto address = attributes.find(IFLA_ADDRESS)) {
        system.hardware_address = bytes_of(*address);
    }
    return system;
}

// Every link of this namespace, in the kernel's order (ascending index).
std::vector<SystemLink> system_links() {
    netlink::RouteSocket socket;
    const ifinfomsg query{};
    std::vector<SystemLink> links;
    for (const auto& reply : socket.dump(netlink::Request(RTM_GETLINK, 0, query))) {
        if (auto link = system_link(reply)) {
            links.push_back(std::move(*link));
        }
    }
    return links;
}

class LinuxAdapterService final : public AdapterService {
public:
    LinuxAdapterService(LinuxAdapterOptions options, Diagnostics& diagnostics)
        : options_(std::move(options)), diagnostics_(diagnostics) {}

    // A device NetworkManager manages goes through it, so that the change lasts; every other
    // one through rtnetlink.
    std::vector<std::unique_ptr<AdapterConfiguration>> ip_enabled_adapters() override {
        const auto dns = make_dns_server_setter(options_.resolver_file, diagnostics_);
        const auto managed = find_network_manager(diagnostics_);
        std::vector<std::unique_ptr<AdapterConfiguration>> adapters;
        for (const SystemLink& link : system_links()) {
            if (!is_ip_enabled(link.facts)) {
                continue;
            }
            const std::string& name = link.facts.name;
            auto applier = managed ? managed->applier_for(name, link.hardware_address) : nullptr;
            if (!applier) {
                applier = make_rtnetlink_applier(link.facts.index, name, diagnostics_, dns);
            }
            adapters.push_back(std::make_unique<LinuxAdapter>(name, std::move(applier)));
        }
        return adapters;
    }

private:
    LinuxAdapterOptions options_;
    Diagnostics& diagnostics_;
};

} // namespace

bool is_ip_enabled(const LinkFacts& link) {
    const bool ethernet_device =
        link.type == ARPHRD_ETHER && (link.has_device || link.kind == "veth");
    return ethernet_device && (link.flags & IFF_UP) != 0 && (link.flags & IFF_LOOPBACK) == 0 &&
           !link.enslaved;
}

std::unique_ptr<AdapterService> make_linux_adapter_service(LinuxAdapterOptions options,
                                                           Diagnostics& diagnostics) {
    return std::make_unique<LinuxAdapterService>(std::move(options), diagnostics);
}

std::unique_ptr<AdapterService> make_system_adapter_service(Diagnostics& diagnostics) {
    return make_linux_adapter_service({}, diagnostics);
}

} // namespace zelvoro::platform
