// The range of one sweep as zelvoro-sweep's arguments and the echo helper's request give it: a
// start address and the last octet of the end address, within the start address's /24.
#pragma once

#include "platform/ipv4_address.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

} // namespace zelvoro::sweep
