// The machine's table of local IPv4 interface addresses, in the layout of the platform's
// published IPv4 address table: a 32-bit entry count followed by 24-byte rows, the row's first
// four bytes being the address in network byte order (first octet first in memory).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace zelvoro::platform {

inline constexpr std::size_t address_table_header_size = 4;
inline constexpr std::size_t address_table_row_size = 24;

class AddressTable {
public:
    virtual ~AddressTable() = default;
    // Called with an empty buffer, or one smaller than `size` says is needed, it stores the
    // number of bytes the table needs in `size` and writes nothing. Otherwise it fills the
    // buffer (count, then rows) and sets `size` to the bytes written. `sorted` asks for
    // ascending addresses; false gives the platform's own order. Throws PlatformError when the
    // table cannot be read at all (a missing library, a failing system call).
    virtual void read(std::span<std::uint8_t> buffer, std::int32_t& size, bool sorted) = 0;
};

// Linux: every IPv4 address getifaddrs lists, interfaces in index order, loopback last.
// Windows: GetIpAddrTable.
std::unique_ptr<AddressTable> make_system_address_table();

} // namespace zelvoro::platform
