#include "sweep/sweep_range.h"

namespace zelvoro::sweep {

namespace {

SweepRangeCheck refused(std::string reason) {
    return SweepRangeCheck{std::nullopt, std::move(reason)};
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

} // namespace zelvoro::sweep
