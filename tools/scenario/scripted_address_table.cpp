#include "scripted_address_table.h"

#include "platform/address_table_rows.h"
#include "platform/platform_error.h"

namespace zelvoro::scenario {

void ScriptedAddressTable::use_rows(std::vector<platform::Ipv4Address> rows) {
    mode_ = Mode::rows;
    rows_ = std::move(rows);
}

void ScriptedAddressTable::report_nothing() {
    mode_ = Mode::nothing;
}

void ScriptedAddressTable::fail() {
    mode_ = Mode::failing;
}

void ScriptedAddressTable::use_real() {
    mode_ = Mode::real;
    if (!real_) {
        real_ = platform::make_system_address_table();
    }
}

void ScriptedAddressTable::read(std::span<std::uint8_t> buffer, std::int32_t& size, bool sorted) {
    switch (mode_) {
    case Mode::real:
        real_->read(buffer, size, sorted);
        return;
    case Mode::failing:
        throw platform::PlatformError("the address table cannot be read");
    case Mode::nothing:
        size = 0;
        return;
    case Mode::rows:
        break;
    }
    std::vector<platform::LocalAddress> rows;
    for (const platform::Ipv4Address& address : rows_) {
        rows.push_back({.interface_index = 0, .address = address, .mask = {}, .loopback = false});
    }
    platform::fill_table(rows, buffer, size); // in the order given, sorted or not
}

std::vector<platform::Ipv4Address> counted_addresses(int count) {
    std::vector<platform::Ipv4Address> addresses;
    for (std::uint32_t value = 0x0A000001; addresses.size() < static_cast<std::size_t>(count);
         ++value) {
        addresses.push_back(platform::Ipv4Address{
            {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
             static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)}});
    }
    return addresses;
}

} // namespace zelvoro::scenario
