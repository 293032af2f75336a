// What the bytes GetIpAddrTable wrote hold: a MIB_IPADDRTABLE, that is a 32-bit row count
// followed by that many 24-byte MIB_IPADDRROW rows, each starting with dwAddr, the address in
// network byte order (first octet first in memory), and at byte 8 dwMask, the subnet mask in the
// same order.
#pragma once

#include "platform/address_table.h"

#include <cstdint>
#include <span>

namespace zelvoro::platform {

// The addresses and masks of the rows in table order; a failure when the bytes are shorter than the
// count field or than the rows the count promises. A buffer the platform left zero-filled (a call
// that failed) reads as an empty table.
AddressTableRead addresses_in_table(std::span<const std::uint8_t> table);

} // namespace zelvoro::platform
