// The local address table on Linux, which has no such table: every IPv4 address getifaddrs
// lists, in the order address_table_rows.h gives them.
#include "platform/address_table.h"
#include "platform/address_table_rows.h"
#include "platform/platform_error.h"

#include <cerrno>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <system_error>

namespace zelvoro::platform {

namespace {

class InterfaceAddressList {
public:
    InterfaceAddressList() {
        if (::getifaddrs(&list_) != 0) {
            throw PlatformError("getifaddrs: " + std::generic_category().message(errno));
        }
    }
    InterfaceAddressList(const InterfaceAddressList&) = delete;
    InterfaceAddressList& operator=(const InterfaceAddressList&) = delete;
    ~InterfaceAddressList() { ::freeifaddrs(list_); }

    const ifaddrs* first() const { return list_; }

private:
    ifaddrs* list_ = nullptr;
};

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
std::vector<LocalAddress> ipv4_addresses(const ifaddrs* entry) {
    std::vector<LocalAddress> addresses;
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
        addresses.push_back(LocalAddress{index, ipv4_of(entry->ifa_addr),
                                         ipv4_of(entry->ifa_netmask),
                                         (entry->ifa_flags & IFF_LOOPBACK) != 0});
    }
    return addresses;
}

class InterfaceAddressTable final : public AddressTable {
public:
    void read(std::span<std::uint8_t> buffer, std::int32_t& size, bool sorted) override {
        const InterfaceAddressList list;
        const auto rows = table_order(ipv4_addresses(list.first()), sorted);
        fill_table(rows, buffer, size);
    }
};

} // namespace

std::unique_ptr<AddressTable> make_system_address_table() {
    return std::make_unique<InterfaceAddressTable>();
}

} // namespace zelvoro::platform
