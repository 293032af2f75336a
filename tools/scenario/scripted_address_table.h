// The address table of a scenario: a table of chosen addresses (by default only 127.0.0.1), each
// on a /24, a platform that reports no table, one that fails before it reports anything, or the
// real one.
#pragma once

#include "platform/address_table.h"
#include "platform/ipv4_address.h"

#include <memory>
#include <vector>

namespace zelvoro::scenario {

class ScriptedAddressTable final : public platform::AddressTable {
public:
    void use_rows(const std::vector<platform::Ipv4Address>& addresses);
    void report_nothing();
    void fail();
    void use_real();

    platform::AddressTableRead read() override;

private:
    enum class Mode { rows, nothing, failing, real };

    Mode mode_ = Mode::rows;
    std::vector<platform::LocalAddress> rows_{{{{127, 0, 0, 1}}, {{255, 255, 255, 0}}}};
    std::unique_ptr<platform::AddressTable> real_;
};

// `count` addresses 10.0.0.1, 10.0.0.2, ... counting up across octets.
std::vector<platform::Ipv4Address> counted_addresses(int count);

} // namespace zelvoro::scenario
