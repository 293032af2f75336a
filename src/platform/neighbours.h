// The link-layer addresses this machine confirmed recently: evidence that a device uses an
// address even when it ignores echo requests.
#pragma once

#include "platform/diagnostics.h"
#include "platform/ipv4_address.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zelvoro::platform {

using MacAddress = std::array<std::uint8_t, 6>;

// "xx:xx:xx:xx:xx:xx", lower case.
std::string mac_text(const MacAddress& mac);

struct Neighbour {
    Ipv4Address address;
    MacAddress mac;

    friend bool operator==(const Neighbour&, const Neighbour&) = default;
};

class NeighbourTable {
public:
    virtual ~NeighbourTable() = default;
    // The addresses among `addresses` whose neighbour entry holds a link-layer address learnt by
    // address resolution (not written by hand, not on a link without it) and confirmed less than
    // `within` ago, in the order of `addresses`. Nothing when the table cannot be read
    // or tells no confirmation times. Where the table counts ages in coarse steps (Linux: 10 ms),
    // an entry counts unless its age is certainly `within` or more, so an entry confirmed up to
    // two steps earlier may count too.
    virtual std::vector<Neighbour> confirmed(std::span<const Ipv4Address> addresses,
                                             std::chrono::milliseconds within) = 0;
};

// Linux: rtnetlink RTM_GETNEIGH; Windows: GetIpNetTable2. Why a table could not be read goes
// to `diagnostics`.
std::unique_ptr<NeighbourTable> make_system_neighbour_table(Diagnostics& diagnostics);

} // namespace zelvoro::platform
