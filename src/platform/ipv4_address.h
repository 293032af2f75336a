// IPv4 addresses as four octets, and the strict dotted-quad conversion every platform uses.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zelvoro::platform {

struct Ipv4Address {
    std::array<std::uint8_t, 4> octets{}; // first octet first (network byte order)

    friend bool operator==(const Ipv4Address&, const Ipv4Address&) = default;
    friend auto operator<=>(const Ipv4Address&, const Ipv4Address&) = default;
};

// A plain decimal number as the octet fields hold it: one or more digits, no sign, blank or
// leading zero (a lone "0" aside). Its value, saturated at 256: every value above 255 is equally
// out of range for an octet. Nothing for any other text.
std::optional<unsigned> parse_plain_decimal(std::string_view text);

// A plain decimal number from 0 to 255; nothing for any other text.
std::optional<std::uint8_t> parse_octet(std::string_view text);

// Four decimal octets 0..255 joined by "."; nothing else is accepted (no blanks, signs, hex,
// octal, short forms or leading zeros beyond a lone "0"). 255.255.255.255 is refused, as the
// platform's conversion cannot tell it from a failure.
std::optional<Ipv4Address> parse_dotted_quad(std::string_view text);

// Four decimal octets without leading zeros joined by ".".
std::string to_dotted_quad(const Ipv4Address& address);

} // namespace zelvoro::platform
