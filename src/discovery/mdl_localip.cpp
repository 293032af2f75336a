#include "discovery/mdl_localip.h"

#include "platform/ipv4_address.h"
#include "platform/platform_error.h"

#include <limits>
#include <stdexcept>
#include <variant>
#include <vector>

namespace zelvoro::discovery {

namespace {

constexpr std::string_view error_text = "ERROR";
constexpr std::string_view no_adapter = "网络检测失败!请检查网卡是否正常!";
constexpr std::string_view no_adapter_title = "无法检测!";
// Set once a first address is stored. It is moved in from a temporary: GCC 12 warns wrongly
// (-Wrestrict) about copying a short literal into a string here.
constexpr std::string_view first_stored = "1";

// The table holds more rows than one scan takes.
class TableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

void store(shared::ProcessState& state, std::string address) {
    if (state.local_address_marker.empty()) {
        state.first_local_address = std::move(address);
        state.local_address_marker = std::string(first_stored);
    } else {
        state.local_address_marker = std::move(address);
    }
}

void read_table(platform::AddressTable& table, shared::ProcessState& state) {
    const platform::AddressTableRead read = table.read();
    if (const auto* failure = std::get_if<platform::AddressTableFailure>(&read)) {
        throw platform::PlatformError(failure->reason);
    }
    const auto* addresses = std::get_if<std::vector<platform::LocalAddress>>(&read);
    if (addresses == nullptr) {
        return; // no table: the results of the scan before stay
    }
    if (addresses->size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw TableError("more rows than a 32-bit count holds");
    }
    state.local_address_count = static_cast<std::int32_t>(addresses->size());
    state.local_address_marker.clear(); // the first row of this table is the first address
    for (std::size_t row = 0; row < addresses->size(); ++row) {
        if (row >= max_scanned_rows) {
            throw TableError("more rows than one scan takes");
        }
        store(state, platform::to_dotted_quad((*addresses)[row].address));
    }
}

} // namespace

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
