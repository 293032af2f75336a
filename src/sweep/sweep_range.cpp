#include "sweep/sweep_range.h"

namespace zelvoro::sweep {

namespace {

constexpr std::uint32_t limited_broadcast = 0xffffffff;

SweepRangeCheck refused(std::string reason) {
    return SweepRangeCheck{std::nullopt, std::move(reason)};
}

std::uint32_t number_of(const platform::Ipv4Address& address) {
    std::uint32_t number = 0;
    for (const std::uint8_t octet : address.octets) {
        number = (number << 8) | octet;
    }
    return number;
}

} // namespace

SweepRangeCheck check_sweep_range(std::string_view start, std::string_view end_octet,
                                  EndOctet rule) {
    const auto address = platform::parse_dotted_quad(start);
    if (!address) {
        return refused("not an IPv4 address: \"" + std::string(start) + "\"");
    }
    const auto end = platform::parse_plain_decimal(end_octet);
    if (!end) {
        return refused("end octet is not a decimal number: \"" + std::string(end_octet) + "\"");
    }
    if (*end > 255) {
        return refused("end octet above 255: " + std::string(end_octet));
    }
    const unsigned first = address->octets[3];
    if (rule == EndOctet::above_start && *end <= first) {
        return refused("end octet " + std::string(end_octet) + " is not above the start octet " +
                       std::to_string(first));
    }
    if (*end < first) {
        return refused("end octet " + std::string(end_octet) + " is below the start octet " +
                       std::to_string(first));
    }
    return SweepRangeCheck{SweepRange{*address, static_cast<std::uint8_t>(*end)}, {}};
}

platform::Ipv4Address AddressRun::address(std::uint32_t index) const {
    const std::uint32_t number = first + index;
    return {{static_cast<std::uint8_t>(number >> 24), static_cast<std::uint8_t>(number >> 16),
             static_cast<std::uint8_t>(number >> 8), static_cast<std::uint8_t>(number)}};
}

AddressRun run_of(const SweepRange& range) {
    const std::uint32_t first = number_of(range.start);
    const std::uint32_t last = (first & 0xffffff00) | range.end_octet;
    return AddressRun{first, last - first + (last == limited_broadcast ? 0 : 1)};
}

NetworkRangeCheck check_network_range(std::string_view text) {
    const std::size_t slash = text.find('/');
    const std::string_view address_part = text.substr(0, slash);
    const auto address = platform::parse_dotted_quad(address_part);
    if (slash == std::string_view::npos || !address) {
        return {std::nullopt, "not an IPv4 address: \"" + std::string(address_part) + "\""};
    }
    const std::string_view length_part = text.substr(slash + 1);
    const auto length = platform::parse_plain_decimal(length_part);
    if (!length || *length < shortest_prefix || *length > longest_prefix) {
        return {std::nullopt, "prefix length is not from " + std::to_string(shortest_prefix) +
                                  " to " + std::to_string(longest_prefix) + ": \"" +
                                  std::string(length_part) + "\""};
    }
    const std::uint32_t size = std::uint32_t{1} << (32 - *length);
    const std::uint32_t network = number_of(*address) & ~(size - 1);
    return {AddressRun{network + 1, size - 2}, {}};
}

std::optional<SweepRange> within_one_segment(const AddressRun& run) {
    if (run.count == 0 || run.count > 256 ||
        (run.first >> 8) != ((run.first + run.count - 1) >> 8)) {
        return std::nullopt;
    }
    const auto last = run.address(run.count - 1);
    return SweepRange{run.address(0), last.octets[3]};
}

RangeVerdicts::RangeVerdicts(AddressRun range)
    : range_(range), answered_((std::size_t{range.count} + 63) / 64) {}

platform::Ipv4Address RangeVerdicts::address(std::size_t index) const {
    return range_.address(static_cast<std::uint32_t>(index));
}

void RangeVerdicts::take_status(std::size_t index, std::uint32_t status, std::chrono::nanoseconds) {
    const std::uint64_t bit = std::uint64_t{1} << (index % 64);
    if (status == platform::echo_answered) {
        answered_[index / 64] |= bit;
    } else {
        answered_[index / 64] &= ~bit;
    }
}

} // namespace zelvoro::sweep
