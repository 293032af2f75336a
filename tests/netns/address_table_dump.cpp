// Prints the machine's local address table read as the window logic reads it (a size query,
// then exactly that size): "count N size S", then one line a row with the address, the
// interface index and the mask. The argument "sorted" asks for the sorted table.
#include "platform/address_table.h"
#include "platform/ipv4_address.h"

#include <cstring>
#include <iostream>
#include <string_view>
#include <vector>

namespace {

using namespace zelvoro::platform;

Ipv4Address address_at(const std::vector<std::uint8_t>& buffer, std::size_t offset) {
    Ipv4Address address;
    std::memcpy(address.octets.data(), buffer.data() + offset, address.octets.size());
    return address;
}

} // namespace

int main(int argc, char** argv) {
    const bool sorted = argc > 1 && std::string_view(argv[1]) == "sorted";
    const auto table = make_system_address_table();
    std::int32_t size = 0;
    table->read({}, size, true);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));
    table->read(buffer, size, sorted);
    std::uint32_t count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    std::cout << "count " << count << " size " << size << '\n';
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t row = address_table_header_size + i * address_table_row_size;
        std::uint32_t index = 0;
        std::memcpy(&index, buffer.data() + row + 4, sizeof index);
        std::cout << to_dotted_quad(address_at(buffer, row)) << ' ' << index << ' '
                  << to_dotted_quad(address_at(buffer, row + 8)) << '\n';
    }
}
