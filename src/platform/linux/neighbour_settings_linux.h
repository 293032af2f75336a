// How long after a sweep the kernel may still confirm a device whose entry it already held:
// traffic to a STALE entry is sent at once, and the entry is probed only
// delay_first_probe_time later, then up to ucast_solicit times, retrans_time apart.
#pragma once

#include <chrono>
#include <filesystem>
#include <string_view>

namespace zelvoro::platform::netlink {

struct ProbeSettings {
    std::chrono::seconds delay_first_probe{5};
    int unicast_probes = 3;
    std::chrono::milliseconds retransmit{1000};

    friend bool operator==(const ProbeSettings&, const ProbeSettings&) = default;
};

// delay_first_probe_time + ucast_solicit × retrans_time, and half a second for the last answer
// to arrive (8.5 s with the kernel's defaults).
std::chrono::milliseconds late_window(const ProbeSettings& settings);

// The settings in `folder` (/proc/sys/net/ipv4/neigh/IF): delay_first_probe_time,
// ucast_solicit, retrans_time_ms. A value missing, unreadable or negative keeps its default.
ProbeSettings read_probe_settings(const std::filesystem::path& folder);

// The folder of an interface's settings ("default" for an interface without a name).
std::filesystem::path probe_settings_folder(std::string_view interface);

} // namespace zelvoro::platform::netlink
