// The local address table built from a list of interface addresses, where the platform has no
// table of its own: the order of the rows and their bytes, laid out as the platform's published
// IPv4 address table (MIB_IPADDRTABLE) is.
#pragma once

#include "platform/address_table.h"
#include "platform/ipv4_address.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zelvoro::platform {

struct LocalAddress {
    std::uint32_t interface_index = 0; // 0 when the interface is not known
    Ipv4Address address;
    Ipv4Address mask;
    bool loopback = false;

    friend bool operator==(const LocalAddress&, const LocalAddress&) = default;
};

// Unsorted: interfaces in index order, an interface's addresses in the order given, loopback
// interfaces last, so that a machine's own address comes first. Sorted: ascending addresses.
std::vector<LocalAddress> table_order(std::vector<LocalAddress> addresses, bool sorted);

// The bytes a table of `rows` rows takes: the 32-bit count, then 24 bytes a row.
std::size_t table_bytes(std::size_t rows);

// The read contract of AddressTable over rows already in order: the room is the smaller of the
// buffer's length and `size`. With room for the whole table it writes the count and the rows;
// either way `size` ends as the table's length in bytes.
void fill_table(std::span<const LocalAddress> rows, std::span<std::uint8_t> buffer,
                std::int32_t& size);

// The rows of a table laid out as fill_table writes it: interface index, address and mask of
// as many rows as its count gives and its bytes hold (loopback: the addresses 127.0.0.0/8).
std::vector<LocalAddress> read_rows(std::span<const std::uint8_t> table);

// The whole table, read in the platform's own order. Throws PlatformError as
// AddressTable::read does.
std::vector<LocalAddress> read_local_addresses(AddressTable& table);

} // namespace zelvoro::platform
