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

// Four decimal octets 0..255 joined by "."; nothing else is accepted (no blanks, signs, hex,
// octal, short forms or leading zeros beyond a lone "0"). 255.255.255.255 is refused, as the
// platform's conversion cannot tell it from a failure.
std::optional<Ipv4Address> parse_dotted_quad(std::string_view text);

// Four decimal octets without leading zeros joined by ".".
std::string to_dotted_quad(const Ipv4Address& address);

} // namespace zelvoro::platform
