// The addresses zelvoro-sweep sweeps: a run of consecutive IPv4 addresses, given as a start
// address and an end octet within its /24, or as the host addresses of a network given as
// ADDRESS/LENGTH, and their verdicts, one bit per address.
#pragma once

#include "platform/echo.h"
#include "platform/ipv4_address.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace zelvoro::sweep {

struct SweepRange {
    std::uint32_t first = 0; // the first address as a number, its first octet highest
    std::uint32_t count = 0;

    platform::Ipv4Address address(std::uint32_t index) const;

    friend bool operator==(const SweepRange&, const SweepRange&) = default;
};

// The prefix lengths a network range may have: a /16 is the largest range, a /30 the smallest
// with host addresses of its own.
constexpr unsigned shortest_prefix = 16;
constexpr unsigned longest_prefix = 30;

// The addresses from `start` up to the one whose last octet is `end_octet`, which is above the
// last octet of `start`; 255.255.255.255 is left out, as the plan leaves it out.
SweepRange octet_range(const platform::Ipv4Address& start, std::uint8_t end_octet);

struct RangeParse {
    std::optional<SweepRange> range;
    // When there is no range: which part of the text is wrong, and that part.
    enum class Fault { address, length } fault = Fault::address;
    std::string_view faulty_part;
};

// "ADDRESS/LENGTH": a dotted quad (see parse_dotted_quad) and a plain decimal LENGTH from
// shortest_prefix to longest_prefix. The range is the host addresses of the network of that
// length which holds ADDRESS: its network and broadcast addresses are left out.
RangeParse parse_network_range(std::string_view text);

// Sweeps a range through an echo service and keeps one bit per address: 8 KiB for a /16.
class RangeVerdicts final : public platform::EchoStream {
public:
    explicit RangeVerdicts(SweepRange range);

    const SweepRange& range() const { return range_; }
    bool answered(std::uint32_t index) const { return (answered_[index / 64] >> (index % 64)) & 1; }

    std::size_t size() const override { return range_.count; }
    platform::Ipv4Address address(std::size_t index) const override;
    void take_status(std::size_t index, std::uint32_t status) override;

private:
    SweepRange range_;
    std::vector<std::uint64_t> answered_;
};

} // namespace zelvoro::sweep
