#include "sweep/presence.h"

#include <map>

namespace zelvoro::sweep {

namespace {

using platform::Ipv4Address;
using platform::MacAddress;

void append_addresses(const std::vector<std::string>& items, std::vector<Ipv4Address>& to) {
    for (const std::string& item : items) {
        if (const auto address = platform::parse_dotted_quad(item)) {
            to.push_back(*address);
        }
    }
}

ListMacs macs_of(const std::vector<std::string>& items,
                 const std::map<Ipv4Address, MacAddress>& by_address) {
    ListMacs macs;
    macs.reserve(items.size());
    for (const std::string& item : items) {
        const auto address = platform::parse_dotted_quad(item);
        const auto found = address ? by_address.find(*address) : by_address.end();
        macs.push_back(found != by_address.end() ? std::optional(found->second) : std::nullopt);
    }
    return macs;
}

std::string mac_and_vendor(const MacAddress& mac, std::string_view vendor) {
    std::string text = "MAC " + platform::mac_text(mac);
    if (!vendor.empty()) {
        text += ", ";
        text += vendor;
    }
    return text;
}

} // namespace

std::vector<Ipv4Address> listed_addresses(const SweepOutcome& outcome) {
    std::vector<Ipv4Address> addresses;
    addresses.reserve(outcome.answering.size() + outcome.silent.size());
    append_addresses(outcome.answering, addresses);
    append_addresses(outcome.silent, addresses);
    return addresses;
}

SweepMacs pair_macs(const SweepOutcome& outcome, std::span<const platform::Neighbour> confirmed) {
    std::map<Ipv4Address, MacAddress> by_address;
    for (const platform::Neighbour& neighbour : confirmed) {
        by_address.emplace(neighbour.address, neighbour.mac);
    }
    return SweepMacs{macs_of(outcome.answering, by_address), macs_of(outcome.silent, by_address)};
}

SweepMacs read_sweep_macs(platform::NeighbourTable& table, const SweepOutcome& outcome,
                          std::chrono::nanoseconds since_sweep_began) {
    const auto within = std::chrono::ceil<std::chrono::milliseconds>(since_sweep_began);
    const auto confirmed = table.confirmed(listed_addresses(outcome), within);
    return pair_macs(outcome, confirmed);
}

std::string answering_tooltip(const MacAddress& mac, std::string_view vendor) {
    return mac_and_vendor(mac, vendor);
}

std::string silent_present_tooltip(const MacAddress& mac, std::string_view vendor) {
    return "该地址不回应PING,但有设备应答ARP(" + mac_and_vendor(mac, vendor) + "),可能已被占用";
}

std::string shared_device_tooltip(const MacAddress& mac, std::string_view vendor) {
    return "该地址不回应PING;同一设备(" + mac_and_vendor(mac, vendor) +
           ")为多个地址应答ARP,可能是路由器代答,不能据此判断已被占用";
}

} // namespace zelvoro::sweep
