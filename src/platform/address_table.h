// The machine's table of local IPv4 interface addresses.
#pragma once

#include "platform/ipv4_address.h"

#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace zelvoro::platform {

// The platform reports no table at all (its size query says there is nothing to read).
struct NoAddressTable {};

// The table could not be read: a missing library, a failing system call, or a table that is
// not what its size and count promise.
struct AddressTableFailure {
    std::string reason;
};

// One row of the table: an address of this machine and the mask of its subnet.
struct LocalAddress {
    Ipv4Address address;
    Ipv4Address mask;

    friend bool operator==(const LocalAddress&, const LocalAddress&) = default;
};

// The rows in the platform's own order, loopback included; or no table; or a failure.
using AddressTableRead =
    std::variant<std::vector<LocalAddress>, NoAddressTable, AddressTableFailure>;

class AddressTable {
public:
    virtual ~AddressTable() = default;
    virtual AddressTableRead read() = 0;
};

// Linux: every IPv4 address getifaddrs lists, interfaces in index order, loopback last.
// Windows: GetIpAddrTable, unsorted.
std::unique_ptr<AddressTable> make_system_address_table();

} // namespace zelvoro::platform
