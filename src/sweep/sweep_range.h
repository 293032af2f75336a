// The range of one sweep as zelvoro-sweep's arguments and the echo helper's request give it: a
// start address and the last octet of the end address, within the start address's /24; or, on
// the command line, the host addresses of a network given as ADDRESS/LENGTH. And the verdicts of
// a range, one bit per address.
#pragma once

#include "platform/echo.h"
#include "platform/ipv4_address.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::sweep {

struct SweepRange {
    platform::Ipv4Address start;
    std::uint8_t end_octet = 0;
};

// Whether the end octet may equal the start octet. The command line, like the main window,
// wants at least two addresses; the echo helper also serves a sweep of one address, as a caller
// of the echo service may ask for one.
enum class EndOctet { above_start, from_start };

struct SweepRangeCheck {
    std::optional<SweepRange> range; // empty when refused
    std::string refusal;             // why, in one line, when refused
};

// `start` must be a dotted quad (parse_dotted_quad), `end_octet` a plain decimal number up to
// 255, above (or from) the start address's last octet.
SweepRangeCheck check_sweep_range(std::string_view start, std::string_view end_octet,
                                  EndOctet rule = EndOctet::above_start);

// A run of consecutive IPv4 addresses.
struct AddressRun {
    std::uint32_t first = 0; // the first address as a number, its first octet highest
    std::uint32_t count = 0;

    platform::Ipv4Address address(std::uint32_t index) const;

    friend bool operator==(const AddressRun&, const AddressRun&) = default;
};

// The addresses of a checked range; 255.255.255.255 is left out, as the plan leaves it out.
AddressRun run_of(const SweepRange& range);

// The prefix lengths a network range may have: a /16 is the largest range, a /30 the smallest
// with host addresses of its own.
constexpr unsigned shortest_prefix = 16;
constexpr unsigned longest_prefix = 30;

struct NetworkRangeCheck {
    std::optional<AddressRun> range; // empty when refused
    std::string refusal;             // why, in one line, when refused
};

// "ADDRESS/LENGTH": a dotted quad (see parse_dotted_quad) and a plain decimal LENGTH from
// shortest_prefix to longest_prefix. The range is the host addresses of the network of that
// length which holds ADDRESS: its network and broadcast addresses are left out.
NetworkRangeCheck check_network_range(std::string_view text);

// The range as a start address and an end octet, where it lies within one /24.
std::optional<SweepRange> within_one_segment(const AddressRun& run);

// Sweeps a range through an echo service and keeps one bit per address: 8 KiB for a /16.
class RangeVerdicts final : public platform::EchoStream {
public:
    explicit RangeVerdicts(AddressRun range);

    const AddressRun& range() const { return range_; }
    bool answered(std::uint32_t index) const { return (answered_[index / 64] >> (index % 64)) & 1; }

    std::size_t size() const override { return range_.count; }
    platform::Ipv4Address address(std::size_t index) const override;
    void take_status(std::size_t index, std::uint32_t status,
                     std::chrono::nanoseconds round_trip) override;

private:
    AddressRun range_;
    std::vector<std::uint64_t> answered_;
};

} // namespace zelvoro::sweep
