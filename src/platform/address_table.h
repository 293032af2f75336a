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
    // `size` says how many bytes of the buffer the table may take (never more than the
    // buffer's length are used). When that is too little for the table (an empty buffer always
    // is), the table's length in bytes is stored in `size` and nothing is written. Otherwise the
    // table (count, then rows) is written at the buffer's start, and `size` holds no less than
    // its length. `sorted` asks for ascending addresses; false gives the platform's own order.
    // Throws PlatformError when the table cannot be read at all (a missing library, a failing
    // system call).
    virtual void read(std::span<std::uint8_t> buffer, std::int32_t& size, bool sorted) = 0;
};

// Linux: every IPv4 address getifaddrs lists, interfaces in index order, loopback last.
// Windows: GetIpAddrTable.
std::unique_ptr<AddressTable> make_system_address_table();

} // namespace zelvoro::platform
