// The Linux adapter service: which links count as IP-enabled adapters, and a factory whose
// resolver file can be chosen.
#pragma once

#include "platform/adapters/adapters.h"

#include <filesystem>
#include <memory>
#include <string>

namespace zelvoro::platform {

// What the link table and sysfs say about one network link.
struct LinkFacts {
    int index = 0;
    std::string name;
    unsigned type = 0;       // ARPHRD_*
    unsigned flags = 0;      // IFF_*
    bool enslaved = false;   // a port of a bridge, bond or team (it has a master)
    std::string kind;        // the rtnetlink link kind ("veth", "bridge", ...); empty for hardware
    bool has_device = false; // /sys/class/net/NAME/device exists: Ethernet or Wi-Fi hardware
};

// An adapter the settings apply to: administratively up, an Ethernet-type link that is a
// hardware device or a veth, and not a port of another link. Loopback, bridges (docker0,
// virbr0), tunnels, VLANs, dummies and bond or bridge ports are left alone.
bool is_ip_enabled(const LinkFacts& link);

struct LinuxAdapterOptions {
    // The resolver file this process's lookups read ("ip netns exec" bind-mounts a
    // namespace's own file over it).
    std::filesystem::path resolver_file = "/etc/resolv.conf";
};

std::unique_ptr<AdapterService> make_linux_adapter_service(LinuxAdapterOptions options,
                                                           Diagnostics& diagnostics);

} // namespace zelvoro::platform
