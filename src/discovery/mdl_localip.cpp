#include "discovery/mdl_localip.h"

#include "platform/ipv4_address.h"
#include "platform/platform_error.h"

#include <cstring>
#include <span>
#include <vector>

namespace zelvoro::discovery {

namespace {

constexpr std::string_view error_text = "ERROR";
constexpr std::string_view no_adapter = "网络检测失败!请检查网卡是否正常!";
constexpr std::string_view no_adapter_title = "无法检测!";
// Set once a first address is stored. It is moved in from a temporary: GCC 12 warns wrongly
// (-Wrestrict) about copying a short literal into a string here.
constexpr std::string_view first_stored = "1";

// The table is not what its size and count promise.
class TableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::int32_t row_count(std::span<const std::uint8_t> table) {
    if (table.size() < platform::address_table_header_size) {
        throw TableError("the table is shorter than its count");
    }
    std::uint32_t count = 0;
    std::memcpy(&count, table.data(), sizeof count);
    return static_cast<std::int32_t>(count);
}

std::array<std::uint8_t, 4> row_address(std::span<const std::uint8_t> table, std::int32_t row) {
    if (row >= max_scanned_rows) {
        throw TableError("more rows than one scan takes");
    }
    const std::size_t offset = platform::address_table_header_size +
                               static_cast<std::size_t>(row) * platform::address_table_row_size;
    if (offset + platform::address_table_row_size > table.size()) {
        throw TableError("a row beyond the end of the table");
    }
    std::array<std::uint8_t, 4> address{};
    std::memcpy(address.data(), table.data() + offset, address.size());
    return address;
}

void store(shared::ProcessState& state, std::string address) {
    if (state.local_address_marker.empty()) {
        state.first_local_address = std::move(address);
        state.local_address_marker = std::string(first_stored);
    } else {
        state.local_address_marker = std::move(address);
    }
}

void read_table(platform::AddressTable& table, shared::ProcessState& state) {
    std::int32_t size = 0;
    table.read({}, size, true);
    if (size <= 0) {
        return;
    }
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));
    table.read(buffer, size, false);
    const std::int32_t count = row_count(buffer);
    state.local_address_count = count;
    state.local_address_marker.clear(); // the first row of this table is the first address
    for (std::int32_t row = 0; row < count; ++row) {
        store(state, address_text(row_address(buffer, row)));
    }
}

} // namespace

std::string address_text(const std::array<std::uint8_t, 4>& address) {
    return platform::to_dotted_quad(platform::Ipv4Address{address});
}

void scan_local_addresses(platform::AddressTable& table, platform::Diagnostics& diagnostics,
                          shared::ProcessState& state, ui::Toolkit& toolkit) {
    try {
        read_table(table, state);
    } catch (const platform::PlatformError& error) {
        diagnostics.failure(std::string("the local address table cannot be read: ") + error.what());
        toolkit.message_box(error_text);
    } catch (const TableError& error) {
        diagnostics.failure(std::string("the local address table cannot be scanned: ") +
                            error.what());
        toolkit.message_box(error_text);
    }
}

void fill_with_local_address(const ui::AddressRow& row, platform::AddressTable& table,
                             platform::Diagnostics& diagnostics, shared::ProcessState& state,
                             ui::Toolkit& toolkit) {
    scan_local_addresses(table, diagnostics, state, toolkit);
    if (state.local_address_count.value_or(0) >= 1) {
        row.fill(state.first_local_address);
    } else {
        toolkit.message_box(no_adapter, ui::MessageBoxStyle::ok, no_adapter_title);
    }
}

} // namespace zelvoro::discovery
