#include "platform/address_table_rows.h"

#include "platform/address_table.h"
#include "platform/platform_error.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace zelvoro::platform {

namespace {

// The row's fields past the address and the index, as the platform's own table fills them:
// the broadcast field holds the low bit of the broadcast address (host part all ones), the
// largest datagram the host reassembles is the largest IPv4 datagram, and the type is "primary".
constexpr std::uint32_t broadcast_low_bit = 1;
constexpr std::uint32_t reassembly_size = 65535;
constexpr std::uint16_t type_primary = 0x0001;

// Byte offsets within a row (MIB_IPADDRROW).
constexpr std::size_t address_offset = 0;
constexpr std::size_t index_offset = 4;
constexpr std::size_t mask_offset = 8;
constexpr std::size_t broadcast_offset = 12;
constexpr std::size_t reassembly_offset = 16;
constexpr std::size_t type_offset = 22;

// Numbers go in the machine's own byte order, as in the platform's structure; addresses and
// masks in network byte order.
template <typename Value>
void put(std::span<std::uint8_t> row, std::size_t offset, const Value& value) {
    std::memcpy(row.data() + offset, &value, sizeof value);
}

void write_row(const LocalAddress& entry, std::span<std::uint8_t> row) {
    std::fill(row.begin(), row.end(), std::uint8_t{0});
    put(row, address_offset, entry.address.octets);
    put(row, index_offset, entry.interface_index);
    put(row, mask_offset, entry.mask.octets);
    put(row, broadcast_offset, broadcast_low_bit);
    put(row, reassembly_offset, reassembly_size);
    put(row, type_offset, type_primary);
}

template <typename Value> Value get(std::span<const std::uint8_t> row, std::size_t offset) {
    Value value{};
    std::memcpy(&value, row.data() + offset, sizeof value);
    return value;
}

// The table may grow between the call that sizes the buffer and the one that fills it; one that
// still outgrows its buffer after this many reads gives no rows.
constexpr int read_attempts = 4;

} // namespace

std::vector<LocalAddress> read_rows(std::span<const std::uint8_t> table) {
    std::vector<LocalAddress> rows;
    if (table.size() < address_table_header_size) {
        return rows;
    }
    const auto count = get<std::uint32_t>(table, 0);
    for (std::size_t i = 0; i < count && table_bytes(i + 1) <= table.size(); ++i) {
        const auto row = table.subspan(table_bytes(i), address_table_row_size);
        LocalAddress entry{get<std::uint32_t>(row, index_offset),
                           {get<std::array<std::uint8_t, 4>>(row, address_offset)},
                           {get<std::array<std::uint8_t, 4>>(row, mask_offset)}};
        entry.loopback = entry.address.octets[0] == 127;
        rows.push_back(entry);
    }
    return rows;
}

std::vector<LocalAddress> read_local_addresses(AddressTable& table) {
    std::vector<std::uint8_t> buffer;
    for (int attempt = 0; attempt < read_attempts; ++attempt) {
        std::int32_t size = static_cast<std::int32_t>(buffer.size());
        table.read(buffer, size, false);
        if (size <= static_cast<std::int32_t>(buffer.size())) {
            break;
        }
        buffer.assign(static_cast<std::size_t>(size), 0);
    }
    return read_rows(buffer);
}

std::vector<LocalAddress> table_order(std::vector<LocalAddress> addresses, bool sorted) {
    if (sorted) {
        std::stable_sort(addresses.begin(), addresses.end(),
                         [](const auto& a, const auto& b) { return a.address < b.address; });
    } else {
        std::stable_sort(addresses.begin(), addresses.end(), [](const auto& a, const auto& b) {
            return std::pair(a.loopback, a.interface_index) <
                   std::pair(b.loopback, b.interface_index);
        });
    }
    return addresses;
}

std::size_t table_bytes(std::size_t rows) {
    return address_table_header_size + rows * address_table_row_size;
}

void fill_table(std::span<const LocalAddress> rows, std::span<std::uint8_t> buffer,
                std::int32_t& size) {
    const std::size_t needed = table_bytes(rows.size());
    if (needed > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw PlatformError("the local address table is too large");
    }
    const std::size_t room = std::min(buffer.size(), static_cast<std::size_t>(std::max(size, 0)));
    size = static_cast<std::int32_t>(needed);
    if (room < needed) {
        return;
    }
    const auto count = static_cast<std::uint32_t>(rows.size());
    std::memcpy(buffer.data(), &count, sizeof count);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        write_row(rows[i], buffer.subspan(table_bytes(i), address_table_row_size));
    }
}

} // namespace zelvoro::platform
