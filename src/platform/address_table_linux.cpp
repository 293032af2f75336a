// The local address table on Linux, which has no such table: every IPv4 address getifaddrs
// lists, in the order address_order_linux.h gives them.
#include "platform/address_order_linux.h"
#include "platform/address_table.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <system_error>
#include <utility>

namespace zelvoro::platform {

namespace {

Ipv4Address ipv4_of(const sockaddr* address) {
    Ipv4Address result;
    if (address != nullptr && address->sa_family == AF_INET) {
        sockaddr_in inet{};
        std::memcpy(&inet, address, sizeof inet);
        std::memcpy(result.octets.data(), &inet.sin_addr, result.octets.size());
    }
    return result;
}

// getifaddrs names an IPv4 address by its label: the interface's name unless one was given.
// The kernel finds the interface of an alias label ("eth0:1") by the part before the colon,
// but any text is accepted as a label; as the kernel lists an interface's addresses together,
// an address whose label names no interface is taken to belong with the one listed before it.
std::vector<ListedAddress> ipv4_addresses(const ifaddrs* entry) {
    std::vector<ListedAddress> addresses;
    std::uint32_t previous_index = 0;
    for (; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        std::uint32_t index = ::if_nametoindex(entry->ifa_name);
        if (index == 0) {
            index = previous_index;
        }
        previous_index = index;
        addresses.push_back(ListedAddress{index, ipv4_of(entry->ifa_addr),
                                          ipv4_of(entry->ifa_netmask),
                                          (entry->ifa_flags & IFF_LOOPBACK) != 0});
    }
    return addresses;
}

class InterfaceAddressTable final : public AddressTable {
public:
    AddressTableRead read() override {
        ifaddrs* list = nullptr;
        if (::getifaddrs(&list) != 0) {
            return AddressTableFailure{"getifaddrs: " + std::generic_category().message(errno)};
        }
        const std::unique_ptr<ifaddrs, decltype(&::freeifaddrs)> owner(list, ::freeifaddrs);
        return table_order(ipv4_addresses(list));
    }
};

} // namespace

std::vector<LocalAddress> table_order(std::vector<ListedAddress> addresses) {
    std::stable_sort(addresses.begin(), addresses.end(), [](const auto& a, const auto& b) {
        return std::pair(a.loopback, a.interface_index) < std::pair(b.loopback, b.interface_index);
    });
    std::vector<LocalAddress> ordered;
    ordered.reserve(addresses.size());
    for (const ListedAddress& entry : addresses) {
        ordered.push_back(LocalAddress{entry.address, entry.mask});
    }
    return ordered;
}

std::unique_ptr<AddressTable> make_system_address_table() {
    return std::make_unique<InterfaceAddressTable>();
}

} // namespace zelvoro::platform
