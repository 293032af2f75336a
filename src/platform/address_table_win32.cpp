// The local address table on Windows: GetIpAddrTable from the IP helper library, bound by name
// on first use.
#include "platform/address_table.h"
#include "platform/address_table_buffer_win32.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
// clang-format on

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace zelvoro::platform {

namespace {

// The rows follow the 32-bit count.
constexpr std::size_t rows_offset = offsetof(MIB_IPADDRTABLE, table);
constexpr std::size_t row_size = sizeof(MIB_IPADDRROW);
constexpr std::size_t mask_offset = offsetof(MIB_IPADDRROW, dwMask);
static_assert(rows_offset == 4 && row_size == 24 && offsetof(MIB_IPADDRROW, dwAddr) == 0 &&
              mask_offset == 8);

Ipv4Address octets_at(const std::uint8_t* bytes) {
    Ipv4Address address;
    std::memcpy(address.octets.data(), bytes, address.octets.size());
    return address;
}

using GetIpAddrTableFunction = ULONG(WINAPI*)(PMIB_IPADDRTABLE, PULONG, BOOL);

// The library stays loaded for the life of the process once bound.
class IpHelperAddressTable final : public AddressTable {
public:
    // A size query (the order flag does not change the size), then the unsorted table into a
    // zero-filled buffer of exactly the reported size. The second call's return code is not
    // looked at: a call that failed leaves the buffer zero-filled, an empty table.
    AddressTableRead read() override {
        if (const auto failure = bind()) {
            return *failure;
        }
        ULONG size = 0;
        get_ip_addr_table_(nullptr, &size, TRUE);
        if (static_cast<std::int32_t>(size) <= 0) {
            return NoAddressTable{};
        }
        std::vector<std::uint8_t> buffer(size);
        get_ip_addr_table_(reinterpret_cast<PMIB_IPADDRTABLE>(buffer.data()), &size, FALSE);
        return addresses_in_table(buffer);
    }

private:
    std::optional<AddressTableFailure> bind() {
        if (get_ip_addr_table_ != nullptr) {
            return std::nullopt;
        }
        const HMODULE library = LoadLibraryW(L"iphlpapi.dll");
        if (library == nullptr) {
            return AddressTableFailure{"iphlpapi.dll cannot be loaded"};
        }
        const FARPROC function = GetProcAddress(library, "GetIpAddrTable");
        if (function == nullptr) {
            return AddressTableFailure{"iphlpapi.dll has no GetIpAddrTable"};
        }
        get_ip_addr_table_ =
            reinterpret_cast<GetIpAddrTableFunction>(reinterpret_cast<void (*)()>(function));
        return std::nullopt;
    }

    GetIpAddrTableFunction get_ip_addr_table_ = nullptr;
};

} // namespace

AddressTableRead addresses_in_table(std::span<const std::uint8_t> table) {
    if (table.size() < rows_offset) {
        return AddressTableFailure{"the address table is shorter than its row count"};
    }
    DWORD count = 0;
    std::memcpy(&count, table.data(), sizeof count);
    const std::size_t room = (table.size() - rows_offset) / row_size;
    if (count > room) {
        return AddressTableFailure{"the address table promises " + std::to_string(count) +
                                   " rows, its " + std::to_string(table.size()) + " bytes hold " +
                                   std::to_string(room)};
    }
    std::vector<LocalAddress> rows(count);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const std::uint8_t* bytes = table.data() + rows_offset + row * row_size;
        rows[row] = LocalAddress{octets_at(bytes), octets_at(bytes + mask_offset)};
    }
    return rows;
}

std::unique_ptr<AddressTable> make_system_address_table() {
    return std::make_unique<IpHelperAddressTable>();
}

} // namespace zelvoro::platform
