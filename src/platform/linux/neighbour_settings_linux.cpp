#include "platform/linux/neighbour_settings_linux.h"

#include <fstream>
#include <optional>
#include <string>

namespace zelvoro::platform::netlink {

namespace {

constexpr std::chrono::milliseconds answer_allowance{500};

std::optional<long> read_number(const std::filesystem::path& file) {
    std::ifstream in(file);
    long value = -1;
    if (!(in >> value) || value < 0) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::chrono::milliseconds late_window(const ProbeSettings& settings) {
    return settings.delay_first_probe + settings.unicast_probes * settings.retransmit +
           answer_allowance;
}

ProbeSettings read_probe_settings(const std::filesystem::path& folder) {
    ProbeSettings settings;
    if (const auto delay = read_number(folder / "delay_first_probe_time")) {
        settings.delay_first_probe = std::chrono::seconds(*delay);
    }
    if (const auto probes = read_number(folder / "ucast_solicit")) {
        settings.unicast_probes = static_cast<int>(*probes);
    }
    if (const auto retransmit = read_number(folder / "retrans_time_ms")) {
        settings.retransmit = std::chrono::milliseconds(*retransmit);
    }
    return settings;
}

std::filesystem::path probe_settings_folder(std::string_view interface) {
    return std::filesystem::path("/proc/sys/net/ipv4/neigh") /
           (interface.empty() ? std::string("default") : std::string(interface));
}

} // namespace zelvoro::platform::netlink
