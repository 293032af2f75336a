// The local address table on Windows: GetIpAddrTable from the IP helper library, bound by name
// on first use.
#include "platform/address_table.h"
#include "platform/platform_error.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
// clang-format on

#include <algorithm>

namespace zelvoro::platform {

namespace {

using GetIpAddrTableFunction = ULONG(WINAPI*)(PMIB_IPADDRTABLE, PULONG, BOOL);

GetIpAddrTableFunction bind_get_ip_addr_table() {
    const HMODULE library = LoadLibraryW(L"iphlpapi.dll");
    if (library == nullptr) {
        throw PlatformError("iphlpapi.dll cannot be loaded");
    }
    const FARPROC function = GetProcAddress(library, "GetIpAddrTable");
    if (function == nullptr) {
        throw PlatformError("iphlpapi.dll has no GetIpAddrTable");
    }
    return reinterpret_cast<GetIpAddrTableFunction>(reinterpret_cast<void (*)()>(function));
}

// The library stays loaded for the life of the process once bound.
class IpHelperAddressTable final : public AddressTable {
public:
    // The caller's size goes to the platform as it is, except that it never claims more room
    // than the buffer has. The return code is the caller's to ignore: a failed call leaves the
    // buffer as it was.
    void read(std::span<std::uint8_t> buffer, std::int32_t& size, bool sorted) override {
        if (get_ip_addr_table_ == nullptr) {
            get_ip_addr_table_ = bind_get_ip_addr_table();
        }
        const auto room = std::min(buffer.size(), static_cast<std::size_t>(std::max(size, 0)));
        ULONG platform_size = static_cast<ULONG>(room);
        PMIB_IPADDRTABLE table =
            buffer.empty() ? nullptr : reinterpret_cast<PMIB_IPADDRTABLE>(buffer.data());
        get_ip_addr_table_(table, &platform_size, sorted ? TRUE : FALSE);
        size = static_cast<std::int32_t>(platform_size);
    }

private:
    GetIpAddrTableFunction get_ip_addr_table_ = nullptr;
};

} // namespace

std::unique_ptr<AddressTable> make_system_address_table() {
    return std::make_unique<IpHelperAddressTable>();
}

} // namespace zelvoro::platform
