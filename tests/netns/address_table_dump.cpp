// Prints the machine's local address table as the window logic reads it: "count N", then one
// line a row with the address and its mask; or "no table", or "failed: REASON" (exit 1).
#include "platform/address_table.h"
#include "platform/ipv4_address.h"

#include <iostream>
#include <variant>
#include <vector>

int main() {
    using namespace zelvoro::platform;
    const auto table = make_system_address_table();
    const AddressTableRead read = table->read();
    if (const auto* failure = std::get_if<AddressTableFailure>(&read)) {
        std::cout << "failed: " << failure->reason << '\n';
        return 1;
    }
    if (std::holds_alternative<NoAddressTable>(read)) {
        std::cout << "no table\n";
        return 0;
    }
    const auto& rows = std::get<std::vector<LocalAddress>>(read);
    std::cout << "count " << rows.size() << '\n';
    for (const LocalAddress& row : rows) {
        std::cout << to_dotted_quad(row.address) << ' ' << to_dotted_quad(row.mask) << '\n';
    }
}
