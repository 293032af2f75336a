#include "sweep/sweep_range.h"

namespace zelvoro::sweep {

namespace {

constexpr std::uint32_t limited_broadcast = 0xffffffff;

std::uint32_t number_of(const platform::Ipv4Address& address) {
    std::uint32_t number = 0;
    for (const std::uint8_t octet : address.octets) {
        number = (number << 8) | octet;
    }
    return number;
}

} // namespace

platform::Ipv4Address SweepRange::address(std::uint32_t index) const {
    const std::uint32_t number = first + index;
    return {{static_cast<std::uint8_t>(number >> 24), static_cast<std::uint8_t>(number >> 16),
             static_cast<std::uint8_t>(number >> 8), static_cast<std::uint8_t>(number)}};
}

SweepRange octet_range(const platform::Ipv4Address& start, std::uint8_t end_octet) {
    const std::uint32_t first = number_of(start);
    const std::uint32_t last = (first & 0xffffff00) | end_octet;
    return SweepRange{first, last - first + (last == limited_broadcast ? 0 : 1)};
}

RangeParse parse_network_range(std::string_view text) {
    const std::size_t slash = text.find('/');
    const std::string_view address_part = text.substr(0, slash);
    const auto address = platform::parse_dotted_quad(address_part);
    if (slash == std::string_view::npos || !address) {
        return RangeParse{std::nullopt, RangeParse::Fault::address, address_part};
    }
    const std::string_view length_part = text.substr(slash + 1);
    const auto length = platform::parse_plain_decimal(length_part);
    if (!length || *length < shortest_prefix || *length > longest_prefix) {
        return RangeParse{std::nullopt, RangeParse::Fault::length, length_part};
    }
    const std::uint32_t size = std::uint32_t{1} << (32 - *length);
    const std::uint32_t network = number_of(*address) & ~(size - 1);
    return RangeParse{SweepRange{network + 1, size - 2}, RangeParse::Fault::address, {}};
}

RangeVerdicts::RangeVerdicts(SweepRange range)
    : range_(range), answered_((std::size_t{range.count} + 63) / 64) {}

platform::Ipv4Address RangeVerdicts::address(std::size_t index) const {
    return range_.address(static_cast<std::uint32_t>(index));
}

void RangeVerdicts::take_status(std::size_t index, std::uint32_t status) {
    const std::uint64_t bit = std::uint64_t{1} << (index % 64);
    if (status == platform::echo_answered) {
        answered_[index / 64] |= bit;
    } else {
        answered_[index / 64] &= ~bit;
    }
}

} // namespace zelvoro::sweep
