#include "scripted_address_table.h"

namespace zelvoro::scenario {

namespace {

const platform::Ipv4Address scripted_mask{{255, 255, 255, 0}};

} // namespace

void ScriptedAddressTable::use_rows(const std::vector<platform::Ipv4Address>& addresses) {
    mode_ = Mode::rows;
    rows_.clear();
    for (const platform::Ipv4Address& address : addresses) {
        rows_.push_back(platform::LocalAddress{address, scripted_mask});
    }
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

platform::AddressTableRead ScriptedAddressTable::read() {
    switch (mode_) {
    case Mode::real:
        return real_->read();
    case Mode::failing:
        return platform::AddressTableFailure{"the address table cannot be read"};
    case Mode::nothing:
        return platform::NoAddressTable{};
    case Mode::rows:
        break;
    }
    return rows_;
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
